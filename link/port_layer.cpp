#include "port_layer.h"

#include <algorithm>
#include <cstring>

#include "link/cancellation.h"
#include "link/clock.h"
#include "link/link_log.h"

namespace kelmor {

namespace {

// Indexed by status. The two "not opened for" texts have a blank and no dash after the
// label; they are kept exactly so.
constexpr const char* kStatusTexts[] = {
    "",
    " - Invalid handle...",
    " - Device not found...",
    " - Device not opened...",
    " - General IO error...",
    " - Insufficient resources...",
    " - Invalid parameter...",
    " - Invalid baud rate...",
    " Device not opened for erase...",
    " Device not opened for write...",
    " - Failed to write...",
    " - EEPROM read failed...",
    " - EEPROM write failed...",
    " - EEPROM erase failed...",
    " - EEPROM not present...",
    " - EEPROM not programmed...",
    " - Invalid arguments...",
    " - Other error ...",
};
constexpr FT_STATUS kHighestStatus = FT_OTHER_ERROR;

// The text before the first NUL, or the whole buffer when it holds none.
QString TextOf(const char* buffer, int size) {
    const void* nul = std::memchr(buffer, '\0', static_cast<std::size_t>(size));
    const auto length = nul ? static_cast<const char*>(nul) - buffer : size;
    return QString::fromLatin1(buffer, static_cast<qsizetype>(length));
}

}  // namespace

PortLayer::PortLayer(FtDriver& driver, Clock& clock) : driver_(driver), clock_(clock) {}

FT_STATUS PortLayer::GetFTDeviceCount() {
    std::uint32_t count = 0;
    const FT_STATUS status = driver_.ListDeviceCount(count);
    if (status == FT_OK) {
        FTDeviceCount = count;
    } else {
        ReportFTError(QStringLiteral("GetFTDeviceCount"), status);
    }
    return status;
}

FT_STATUS PortLayer::GetFTDeviceSerialNo(std::uint32_t index) {
    return QueryText(index, serialNumberBuffer_.data(), kSerialNumberBufferSize,
                     FT_LIST_BY_INDEX | FT_OPEN_BY_SERIAL_NUMBER,
                     QStringLiteral("GetFTDeviceSerialNo"));
}

FT_STATUS PortLayer::GetFTDeviceDescription(std::uint32_t index) {
    return QueryText(index, descriptionBuffer_.data(), kDescriptionBufferSize,
                     FT_LIST_BY_INDEX | FT_OPEN_BY_DESCRIPTION,
                     QStringLiteral("GetFTDeviceDescription"));
}

FT_STATUS PortLayer::QueryText(std::uint32_t index, char* buffer, int size, std::uint32_t flags,
                               const QString& label) {
    const FT_STATUS status = driver_.ListDeviceByIndex(index, buffer, flags);
    if (status == FT_OK) {
        FTDeviceText = TextOf(buffer, size);
    } else {
        ReportFTError(label, status);
    }
    return status;
}

FT_STATUS PortLayer::Open_USB_Device_By_Serial_Number(const QString& serialNumber) {
    FTOpenName[0] = '\0';
    const int length = std::min<int>(static_cast<int>(serialNumber.size()), kOpenNameSize - 1);
    for (int i = 0; i < length; ++i) {
        FTOpenName[i] = serialNumber[i].toLatin1();
    }
    FTOpenName[length] = '\0';
    FT_HANDLE handle = nullptr;
    const FT_STATUS status = driver_.OpenEx(FTOpenName.data(), FT_OPEN_BY_SERIAL_NUMBER, handle);
    qCDebug(kelmorLink) << "open" << FTOpenName.data() << "status" << status;
    if (status == FT_OK) {
        FTHandle = handle;
        lastOpenResult_ = LinkStatus::Ok;
    } else {
        lastOpenResult_ = driver_.LastOpenFailure();
        ReportFTError(QStringLiteral("Open_USB_Device_By_Serial_Number"), status);
    }
    return status;
}

FT_STATUS PortLayer::CloseFTDevice() {
    const FT_STATUS status = driver_.Close(FTHandle);
    qCDebug(kelmorLink) << "close status" << status;
    if (status != FT_OK) {
        ReportFTError(QStringLiteral("FT_Close"), status);
    }
    return status;
}

std::uint32_t PortLayer::ReadFTDevice(std::uint32_t count) {
    // Refused rather than passed on: a count beyond the buffer would overrun it.
    if (count > kReceiveBufferSize) {
        lastTransferResult_ = LinkStatus::Io;
        ReportFTError(QStringLiteral("FT_Read"), FT_INVALID_PARAMETER);
        return 0;
    }
    std::uint32_t received = 0;
    LinkStatus result = LinkStatus::Ok;
    std::int64_t lastByteMs = clock_.MonotonicMs();
    while (received < count) {
        if (cancel_ && cancel_->Raised()) {
            result = LinkStatus::Cancelled;
            break;
        }
        const std::uint32_t wanted = count - received;
        std::uint32_t got = 0;
        const FT_STATUS status =
            driver_.Read(FTHandle, FTReceiveBuffer.data() + received, wanted, got);
        if (status != FT_OK) {
            result = LinkStatusOf(status);
            ReportFTError(QStringLiteral("FT_Read"), status);
            break;
        }
        const std::int64_t now = clock_.MonotonicMs();
        if (got > 0) {
            received += std::min(got, wanted);
            lastByteMs = now;
            if (progress_) {
                progress_(received, count);
            }
            continue;
        }
        if (now - lastByteMs >= kReadIdleTimeoutMs) {
            result = LinkStatus::Timeout;
            break;
        }
        clock_.PollWait(kReadPollMs);
    }
    lastTransferResult_ = result;
    qCDebug(kelmorLink).nospace() << "read " << received << " of " << count << ": "
                                  << HexDump(FTReceiveBuffer.data(), received);
    return received;
}

std::uint32_t PortLayer::WriteFTDevice(std::uint32_t count) {
    std::uint32_t written = 0;
    FT_STATUS status = FT_INVALID_PARAMETER;
    if (count <= kTransmitBufferSize) {
        status = driver_.Write(FTHandle, FTTransmitBuffer.data(), count, written);
        written = std::min(written, count);
    }
    lastTransferResult_ = status != FT_OK   ? LinkStatusOf(status)
                          : written < count ? LinkStatus::Io
                                            : LinkStatus::Ok;
    qCDebug(kelmorLink).nospace() << "write " << written << " of " << count << " status " << status
                                  << ": " << HexDump(FTTransmitBuffer.data(), count);
    if (status != FT_OK) {
        ReportFTError(QStringLiteral("FT_Write"), status);
    }
    return written;
}

FT_STATUS PortLayer::PurgeFTDeviceRX() {
    const FT_STATUS status = driver_.Purge(FTHandle, FT_PURGE_RX);
    if (status != FT_OK) {
        ReportFTError(QStringLiteral("FT_Purge RX"), status);
    }
    return status;
}

QString PortLayer::ComposeFTError(const QString& label, FT_STATUS status) {
    if (status == FT_OK || status > kHighestStatus) {
        return QString();
    }
    return label + QLatin1String(kStatusTexts[status]);
}

void PortLayer::ReportFTError(const QString& label, FT_STATUS status) {
    if (!FTErrorReportOn) {
        return;
    }
    const QString text = ComposeFTError(label, status);
    if (text.isEmpty()) {
        return;
    }
    {
        const std::lock_guard<std::mutex> lock(reportMutex_);
        lastErrorReport_ = text;
    }
    qCDebug(kelmorLink) << text;
}

QString PortLayer::LastErrorReport() const {
    const std::lock_guard<std::mutex> lock(reportMutex_);
    return lastErrorReport_;
}

}  // namespace kelmor
