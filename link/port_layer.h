#pragma once

#include <QString>
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>

#include "link/ft_driver.h"
#include "link/link_status.h"

namespace kelmor {

// The largest read is a whole V7 memory of 131071 bytes, in one piece.
constexpr std::uint32_t kReceiveBufferSize = 131072;
constexpr std::uint32_t kTransmitBufferSize = 65536;
// A serial number is handed to the driver as at most 49 characters and a NUL.
constexpr int kOpenNameSize = 50;
// A read that receives no new byte for this long gives up with what it has.
constexpr int kReadIdleTimeoutMs = 3000;
// The wait before the driver is asked again when it had nothing.
constexpr int kReadPollMs = 1;

class Cancellation;
class Clock;

// Bytes received so far and bytes asked for, reported while a read is in progress.
using ReadProgress = std::function<void(std::uint32_t received, std::uint32_t requested)>;

// The only user of the FTDI driver. The program keeps one handle and one pair of buffers
// for its whole life; discovery and every exchange share them and use the buffers in
// place: a frame is built in FTTransmitBuffer from position 0, a reply is taken from
// FTReceiveBuffer from position 0. The receive buffer is never cleared, because the
// read-out decodes one position past some of its replies and finds there what an earlier
// read left. Each operation but the read is one driver call; a failing status goes to the
// error report with the operation's label and back to the caller, without retry.
//
// A read is the one place that waits for the instrument: it asks the driver for what has
// arrived until the count is complete, and gives up after kReadIdleTimeoutMs without a
// new byte, when the driver fails, or when the cancellation is raised.
//
// Discovery (the listing, FTDeviceCount, FTDeviceText) and an exchange (the handle and the
// buffers) may run on two threads at once; each of them on one thread at a time.
//
// The buffers make the object large: create it once, on the heap.
class PortLayer {
  public:
    PortLayer(FtDriver& driver, Clock& clock);
    PortLayer(const PortLayer&) = delete;
    PortLayer& operator=(const PortLayer&) = delete;

    // FTDeviceCount := the number of attached FTDI devices (on success only).
    FT_STATUS GetFTDeviceCount();
    // FTDeviceText := the serial number or description of device `index` (on success
    // only: a failing query leaves the text of the query before it).
    FT_STATUS GetFTDeviceSerialNo(std::uint32_t index);
    FT_STATUS GetFTDeviceDescription(std::uint32_t index);
    // Opens by the first 49 characters of `serialNumber`; FTHandle changes on success only.
    // LastOpenResult tells why an open failed.
    FT_STATUS Open_USB_Device_By_Serial_Number(const QString& serialNumber);
    LinkStatus LastOpenResult() const { return lastOpenResult_; }
    // Closes FTHandle, which keeps its value.
    FT_STATUS CloseFTDevice();
    // Reads `count` bytes into FTReceiveBuffer from position 0; returns the bytes received,
    // fewer when the idle time-out, a driver failure or the cancellation ended the read.
    std::uint32_t ReadFTDevice(std::uint32_t count);
    // Sends the first `count` bytes of FTTransmitBuffer; returns the bytes written.
    std::uint32_t WriteFTDevice(std::uint32_t count);
    FT_STATUS PurgeFTDeviceRX();

    // How the latest read or write ended, as their byte counts do not say: Ok, Timeout,
    // Io, NoDevice (unplugged) or Cancelled.
    LinkStatus LastTransferResult() const { return lastTransferResult_; }

    // Progress of the reads that follow; empty for none. Called on the reading thread.
    void SetReadProgress(ReadProgress progress) { progress_ = std::move(progress); }
    // The cancellation the reads that follow look at; none for none.
    void SetCancellation(const Cancellation* cancel) { cancel_ = cancel; }

    // The label directly followed by the text of `status`; empty for 0 and above 17.
    static QString ComposeFTError(const QString& label, FT_STATUS status);
    // While FTErrorReportOn, composes the text, logs it and keeps it as LastErrorReport.
    void ReportFTError(const QString& label, FT_STATUS status);
    QString LastErrorReport() const;

    FT_HANDLE FTHandle = nullptr;
    std::uint32_t FTDeviceCount = 0;
    QString FTDeviceText;
    std::array<char, kOpenNameSize> FTOpenName{};
    std::array<std::uint8_t, kReceiveBufferSize> FTReceiveBuffer{};
    std::array<std::uint8_t, kTransmitBufferSize> FTTransmitBuffer{};
    std::atomic<bool> FTErrorReportOn{true};

  private:
    FT_STATUS QueryText(std::uint32_t index, char* buffer, int size, std::uint32_t flags,
                        const QString& label);

    FtDriver& driver_;
    Clock& clock_;
    std::array<char, kDescriptionBufferSize> descriptionBuffer_{};
    std::array<char, kSerialNumberBufferSize> serialNumberBuffer_{};
    LinkStatus lastOpenResult_ = LinkStatus::Ok;
    LinkStatus lastTransferResult_ = LinkStatus::Ok;
    ReadProgress progress_;
    const Cancellation* cancel_ = nullptr;
    // Discovery and an exchange may both report.
    mutable std::mutex reportMutex_;
    QString lastErrorReport_;
};

}  // namespace kelmor
