#pragma once

#include <QString>
#include <array>
#include <cstdint>

#include "link/ft_driver.h"

namespace kelmor {

// The largest read is a whole V7 memory of 131071 bytes, in one piece.
constexpr std::uint32_t kReceiveBufferSize = 131072;
constexpr std::uint32_t kTransmitBufferSize = 65536;
// A serial number is handed to the driver as at most 49 characters and a NUL.
constexpr int kOpenNameSize = 50;

// The only user of the FTDI driver. The program keeps one handle and one pair of buffers
// for its whole life; discovery and every exchange share them and use the buffers in
// place: a frame is built in FTTransmitBuffer from position 0, a reply is taken from
// FTReceiveBuffer from position 0. The receive buffer is never cleared, because the
// read-out decodes one position past some of its replies and finds there what an earlier
// read left. Each operation is one driver call; a failing status goes to the error report
// with the operation's label and back to the caller, without retry.
//
// The buffers make the object large: create it once, on the heap.
class D2XXUnit {
  public:
    explicit D2XXUnit(FtDriver& driver);
    D2XXUnit(const D2XXUnit&) = delete;
    D2XXUnit& operator=(const D2XXUnit&) = delete;

    // FTDeviceCount := the number of attached FTDI devices (on success only).
    FT_STATUS GetFTDeviceCount();
    // FTDeviceText := the serial number or description of device `index` (on success
    // only: a failing query leaves the text of the query before it).
    FT_STATUS GetFTDeviceSerialNo(std::uint32_t index);
    FT_STATUS GetFTDeviceDescription(std::uint32_t index);
    // Opens by the first 49 characters of `serialNumber`; FTHandle changes on success only.
    FT_STATUS Open_USB_Device_By_Serial_Number(const QString& serialNumber);
    // Closes FTHandle, which keeps its value.
    FT_STATUS CloseFTDevice();
    // Reads `count` bytes into FTReceiveBuffer from position 0; returns the bytes received,
    // fewer when the driver's idle time-out ended the read or the device went away.
    std::uint32_t ReadFTDevice(std::uint32_t count);
    // Sends the first `count` bytes of FTTransmitBuffer; returns the bytes written.
    std::uint32_t WriteFTDevice(std::uint32_t count);
    FT_STATUS PurgeFTDeviceRX();

    // The driver's status of the latest read or write, which return byte counts: a short
    // read with FT_IO_ERROR was an unplugged device, with FT_OK a silent one.
    FT_STATUS LastTransferStatus() const { return lastTransferStatus_; }

    // Progress of the reads that follow; empty for none.
    void SetReadProgress(ReadProgress progress);

    // The label directly followed by the text of `status`; empty for 0 and above 17.
    static QString ComposeFTError(const QString& label, FT_STATUS status);
    // While FTErrorReportOn, composes the text, logs it and keeps it as LastErrorReport.
    void ReportFTError(const QString& label, FT_STATUS status);
    const QString& LastErrorReport() const { return lastErrorReport_; }

    FT_HANDLE FTHandle = nullptr;
    std::uint32_t FTDeviceCount = 0;
    QString FTDeviceText;
    std::array<char, kOpenNameSize> FTOpenName{};
    std::array<std::uint8_t, kReceiveBufferSize> FTReceiveBuffer{};
    std::array<std::uint8_t, kTransmitBufferSize> FTTransmitBuffer{};
    bool FTErrorReportOn = true;

  private:
    FT_STATUS QueryText(std::uint32_t index, char* buffer, int size, std::uint32_t flags,
                        const QString& label);

    FtDriver& driver_;
    std::array<char, kDescriptionBufferSize> descriptionBuffer_{};
    std::array<char, kSerialNumberBufferSize> serialNumberBuffer_{};
    FT_STATUS lastTransferStatus_ = FT_OK;
    QString lastErrorReport_;
};

}  // namespace kelmor
