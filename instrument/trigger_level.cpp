#include "trigger_level.h"

#include <algorithm>

#include "instrument/nibble_pair.h"

namespace kelmor {

namespace {

constexpr std::uint8_t kLevelAddress = 4;
constexpr std::uint8_t kFlashAddress = 5;
constexpr std::uint8_t kFlashOn = 2;
// Gives an instrument still busy with an earlier exchange time to settle before the open.
constexpr int kSettleMs = 500;
constexpr int kSettleAgainMs = 100;
constexpr int kAfterWriteV5V6Ms = 100;

void WriteV5V6(Exchange& exchange, std::uint8_t address, std::uint8_t value) {
    exchange.Send(frames::kWriteMemoryByteV5V6);
    exchange.Pause(kFramePauseV5V6Ms);
    exchange.Send(
        {0, 0, HighNibble(address), LowNibble(address), HighNibble(value), LowNibble(value)});
    exchange.Pause(kAfterWriteV5V6Ms);
}

}  // namespace

std::optional<std::uint8_t> TriggerLevelCode(int level, Extended calibrationFactor) {
    if (!(calibrationFactor > 0)) {
        return std::nullopt;
    }
    const long long code = TruncToInt(static_cast<Extended>(level) / calibrationFactor);
    return static_cast<std::uint8_t>(std::clamp<long long>(code, 0, 255));
}

TriggerOutcome SetTriggerLevel(Exchange& exchange, bool attached, const TV5& identity, int level,
                               Extended calibrationFactor, bool flash) {
    TriggerOutcome outcome;
    const std::optional<std::uint8_t> code = TriggerLevelCode(level, calibrationFactor);
    if (!code) {
        outcome.status = CommandStatus::Refused;
        return outcome;
    }
    exchange.Close();
    exchange.Pause(kSettleMs);
    exchange.Pause(kSettleAgainMs);
    if (!exchange.Open(attached, identity, outcome)) {
        return outcome;
    }
    if (!exchange.ThrowAway(outcome)) {
        exchange.Close();
        return outcome;
    }
    const std::optional<Model> model = exchange.Identify(outcome);
    const std::uint8_t flag = flash ? kFlashOn : 0;
    if (model == Model::V5 || model == Model::V6) {
        WriteV5V6(exchange, kLevelAddress, *code);
        WriteV5V6(exchange, kFlashAddress, flag);
    } else if (model == Model::V7) {
        WriteMemoryByteV7(exchange, kLevelAddress, *code);
        WriteMemoryByteV7(exchange, kFlashAddress, flag);
    }
    if (model) {
        outcome.levelCode = *code;
        outcome.flashFlag = flag;
    }
    exchange.Close();
    return outcome;
}

}  // namespace kelmor
