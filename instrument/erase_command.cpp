#include "erase_command.h"

#include "instrument/nibble_pair.h"

namespace kelmor {

namespace {

constexpr int kEraseWaitV5V6Ms = 5000;
constexpr int kEraseWaitV7Ms = 15000;
constexpr std::uint8_t kErased = 'e';
// The top of memory, as the write address's high byte: 0x2000 on V5, 0x8000 on V6.
constexpr std::uint8_t kTopOfMemoryHighV5 = 0x20;
constexpr std::uint8_t kTopOfMemoryHighV6 = 0x80;

void WriteMemoryByteV5V6(Exchange& exchange, std::uint8_t address, std::uint8_t value) {
    exchange.Send(frames::kWriteMemoryByteV5V6);
    exchange.Send(
        {0, 0, HighNibble(address), LowNibble(address), HighNibble(value), LowNibble(value)});
    exchange.Pause(kFramePauseV5V6Ms);
}

}  // namespace

EraseOutcome EraseMemory(Exchange& exchange, bool attached, const TV5& identity,
                         const std::function<void()>& onErasing) {
    EraseOutcome outcome;
    if (!exchange.Open(attached, identity, outcome)) {
        return outcome;
    }
    if (onErasing) {
        onErasing();
    }
    const std::optional<Model> model = exchange.Identify(outcome);
    if (model == Model::V5 || model == Model::V6) {
        exchange.Pause(kFramePauseV5V6Ms);
        WriteMemoryByteV5V6(exchange, 2,
                            model == Model::V5 ? kTopOfMemoryHighV5 : kTopOfMemoryHighV6);
        WriteMemoryByteV5V6(exchange, 3, 0);
        WriteMemoryByteV5V6(exchange, 6, 0);
        exchange.Send(frames::kEraseMemoryV5V6);
        exchange.Pause(kEraseWaitV5V6Ms);
        if (exchange.Receive(2, outcome)) {
            outcome.eraseResult = DecodeNibblePair(exchange.Reply()[0], exchange.Reply()[1]);
        }
    } else if (model == Model::V7) {
        // 0x20000: the 24-bit write address in bytes 1..3.
        WriteMemoryByteV7(exchange, 1, 0x02);
        WriteMemoryByteV7(exchange, 2, 0);
        WriteMemoryByteV7(exchange, 3, 0);
        WriteMemoryByteV7(exchange, 6, 0);
        exchange.Send(frames::kEraseMemoryV7);
        exchange.Pause(kEraseWaitV7Ms);
        if (exchange.Receive(1, outcome)) {
            outcome.eraseResult = exchange.Reply()[0];
        }
    }
    outcome.erased = outcome.status == CommandStatus::Done && outcome.eraseResult == kErased;
    exchange.Close();
    return outcome;
}

}  // namespace kelmor
