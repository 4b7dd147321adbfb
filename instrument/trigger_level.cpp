#include "trigger_level.h"

#include <algorithm>

#include "instrument/dialect.h"
#include "instrument/session.h"

namespace kelmor {

namespace {

constexpr std::uint8_t kFlashOn = 2;
// Gives an instrument still busy with an earlier exchange time to settle before the open.
constexpr int kSettleMs = 500;
constexpr int kSettleAgainMs = 100;

}  // namespace

std::optional<std::uint8_t> TriggerLevelCode(int level, Extended calibrationFactor) {
    if (!(calibrationFactor > 0)) {
        return std::nullopt;
    }
    const long long code = TruncToInt(static_cast<Extended>(level) / calibrationFactor);
    return static_cast<std::uint8_t>(std::clamp<long long>(code, 0, 255));
}

TriggerOutcome SetTriggerLevel(const InstrumentLink& link, bool attached,
                               const InstrumentIdentity& identity, int level,
                               Extended calibrationFactor, bool flash) {
    TriggerOutcome outcome;
    const std::optional<std::uint8_t> code = TriggerLevelCode(level, calibrationFactor);
    if (!code) {
        outcome.status = CommandStatus::Refused;
        return outcome;
    }
    link.port.CloseFTDevice();
    Session session(link, outcome);
    session.Pause(kSettleMs);
    session.Pause(kSettleAgainMs);
    if (!session.Open(attached, identity)) {
        return outcome;
    }
    session.ThrowAway();
    const std::uint8_t flag = flash ? kFlashOn : 0;
    if (const Dialect* dialect = session.Identify()) {
        dialect->WriteTrigger(session, *code, flag);
    }
    if (session.Ok()) {
        outcome.levelCode = *code;
        outcome.flashFlag = flag;
    }
    return outcome;
}

}  // namespace kelmor
