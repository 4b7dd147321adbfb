#include "session.h"

#include <algorithm>

#include "instrument/dialect.h"
#include "instrument/nibble_pair.h"

namespace kelmor {

Session::Session(const InstrumentLink& link, CommandOutcome& outcome)
    : link_(link), outcome_(outcome) {}

Session::~Session() {
    Close();
}

void Session::Fail(CommandStatus status) {
    if (Ok()) {
        outcome_.status = status;
    }
}

bool Session::Open(bool attached, const InstrumentIdentity& identity) {
    if (!Ok()) {
        return false;
    }
    const FT_STATUS status = link_.port.Open_USB_Device_By_Serial_Number(identity.SerialNumber);
    if (status == FT_OK && attached) {
        open_ = true;
        outcome_.opened = true;
        link_.port.SetCancellation(&link_.cancel);
        return true;
    }
    if (status == FT_OK) {
        link_.port.CloseFTDevice();
    }
    Fail(status == FT_OK ? CommandStatus::NoDevice : link_.port.LastOpenResult());
    return false;
}

void Session::Close() {
    if (!open_) {
        return;
    }
    link_.port.CloseFTDevice();
    link_.port.SetCancellation(nullptr);
    open_ = false;
}

void Session::ThrowAway() {
    Send(frames::kIdentify);
    Pause(kFramePauseV5V6Ms);
    Receive(1);
    Pause(kFramePauseV5V6Ms);
    Purge();
}

const Dialect* Session::Identify() {
    Send(frames::kIdentify);
    Pause(kFramePauseV5V6Ms);
    if (!Receive(2)) {
        return nullptr;
    }
    outcome_.modelCode = DecodeNibblePair(Reply()[0], Reply()[1]);
    // The model codes are the image tags: '1', '2', '3'.
    const std::optional<Model> model = ModelFromTag(outcome_.modelCode);
    if (!model) {
        Fail(CommandStatus::Protocol);
        return nullptr;
    }
    return &DialectOf(*model);
}

void Session::Send(std::initializer_list<std::uint8_t> bytes) {
    SendBytes(bytes.begin(), static_cast<std::uint32_t>(bytes.size()));
}

// A write that fails or comes short ends the command as a silent instrument does: the
// frame did not reach the instrument, and what follows would be taken for another frame.
void Session::SendBytes(const std::uint8_t* bytes, std::uint32_t count) {
    if (!Ok()) {
        return;
    }
    if (link_.cancel.Raised()) {
        Fail(CommandStatus::Cancelled);
        return;
    }
    std::copy_n(bytes, count, link_.port.FTTransmitBuffer.begin());
    if (link_.port.WriteFTDevice(count) != count) {
        const CommandStatus result = link_.port.LastTransferResult();
        Fail(result == CommandStatus::Ok ? CommandStatus::Io : result);
    }
}

void Session::Pause(int ms) {
    if (Ok() && !link_.clock.Sleep(ms, &link_.cancel)) {
        Fail(CommandStatus::Cancelled);
    }
}

bool Session::Receive(std::uint32_t count, const ReadProgress& progress) {
    if (!Ok()) {
        return false;
    }
    link_.port.SetReadProgress(progress);
    const std::uint32_t received = link_.port.ReadFTDevice(count);
    link_.port.SetReadProgress(ReadProgress());
    if (received == count) {
        return true;
    }
    outcome_.received = received;
    outcome_.requested = count;
    const CommandStatus result = link_.port.LastTransferResult();
    Fail(result == CommandStatus::Ok ? CommandStatus::Timeout : result);
    return false;
}

void Session::Purge() {
    if (Ok()) {
        link_.port.PurgeFTDeviceRX();
    }
}

}  // namespace kelmor
