#include "erase_command.h"

#include "instrument/dialect.h"
#include "instrument/session.h"

namespace kelmor {

namespace {

constexpr std::uint8_t kErased = 'e';

}  // namespace

EraseOutcome EraseMemory(const InstrumentLink& link, bool attached,
                         const InstrumentIdentity& identity,
                         const std::function<void()>& onErasing) {
    EraseOutcome outcome;
    {
        Session session(link, outcome);
        if (!session.Open(attached, identity)) {
            return outcome;
        }
        if (onErasing) {
            onErasing();
        }
        if (const Dialect* dialect = session.Identify()) {
            dialect->Erase(session, outcome.eraseResult);
        }
    }
    outcome.erased = outcome.status == CommandStatus::Ok && outcome.eraseResult == kErased;
    return outcome;
}

}  // namespace kelmor
