#include "exchange.h"

#include <algorithm>

#include "instrument/nibble_pair.h"

namespace kelmor {

Exchange::Exchange(D2XXUnit& port, Clock& clock) : port_(port), clock_(clock) {}

bool Exchange::Open(bool attached, const TV5& identity, CommandOutcome& outcome) {
    const FT_STATUS status = port_.Open_USB_Device_By_Serial_Number(identity.SerialNumber);
    if (status == FT_OK && attached) {
        return true;
    }
    if (status == FT_OK) {
        port_.CloseFTDevice();
    }
    outcome.status = CommandStatus::NotAttached;
    outcome.portStatus = status;
    return false;
}

bool Exchange::ThrowAway(CommandOutcome& outcome) {
    Send(frames::kIdentify);
    Pause(kFramePauseV5V6Ms);
    if (!Receive(1, outcome)) {
        return false;
    }
    Pause(kFramePauseV5V6Ms);
    port_.PurgeFTDeviceRX();
    return true;
}

std::optional<Model> Exchange::Identify(CommandOutcome& outcome) {
    Send(frames::kIdentify);
    Pause(kFramePauseV5V6Ms);
    if (!Receive(2, outcome)) {
        return std::nullopt;
    }
    outcome.modelCode = DecodeNibblePair(Reply()[0], Reply()[1]);
    // The model codes are the image tags: '1', '2', '3'.
    const std::optional<Model> model = ModelFromTag(outcome.modelCode);
    if (!model) {
        outcome.status = CommandStatus::UnknownModel;
    }
    return model;
}

void Exchange::Send(std::initializer_list<std::uint8_t> bytes) {
    SendBytes(bytes.begin(), static_cast<std::uint32_t>(bytes.size()));
}

void Exchange::SendBytes(const std::uint8_t* bytes, std::uint32_t count) {
    std::copy_n(bytes, count, port_.FTTransmitBuffer.begin());
    port_.WriteFTDevice(count);
}

bool Exchange::Receive(std::uint32_t count, CommandOutcome& outcome) {
    const std::uint32_t received = port_.ReadFTDevice(count);
    if (received == count) {
        return true;
    }
    outcome.status = CommandStatus::NotResponding;
    outcome.portStatus = port_.LastTransferStatus();
    outcome.received = received;
    outcome.requested = count;
    return false;
}

void WriteMemoryByteV7(Exchange& exchange, std::uint16_t address, std::uint8_t value) {
    exchange.Send(frames::kWriteMemoryByteV7);
    exchange.Pause(kFramePauseV7Ms);
    exchange.Send(
        {static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address), value});
    exchange.Pause(kFramePauseV7Ms);
}

}  // namespace kelmor
