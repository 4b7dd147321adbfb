#include "d2xx_unit.h"

#include <algorithm>
#include <cstring>

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

D2XXUnit::D2XXUnit(FtDriver& driver) : driver_(driver) {}

FT_STATUS D2XXUnit::GetFTDeviceCount() {
    std::uint32_t count = 0;
    const FT_STATUS status = driver_.ListDeviceCount(count);
    if (status == FT_OK) {
        FTDeviceCount = count;
    } else {
        ReportFTError(QStringLiteral("GetFTDeviceCount"), status);
    }
    return status;
}

FT_STATUS D2XXUnit::GetFTDeviceSerialNo(std::uint32_t index) {
    return QueryText(index, serialNumberBuffer_.data(), kSerialNumberBufferSize,
                     FT_LIST_BY_INDEX | FT_OPEN_BY_SERIAL_NUMBER,
                     QStringLiteral("GetFTDeviceSerialNo"));
}

FT_STATUS D2XXUnit::GetFTDeviceDescription(std::uint32_t index) {
    return QueryText(index, descriptionBuffer_.data(), kDescriptionBufferSize,
                     FT_LIST_BY_INDEX | FT_OPEN_BY_DESCRIPTION,
                     QStringLiteral("GetFTDeviceDescription"));
}

FT_STATUS D2XXUnit::QueryText(std::uint32_t index, char* buffer, int size, std::uint32_t flags,
                              const QString& label) {
    const FT_STATUS status = driver_.ListDeviceByIndex(index, buffer, flags);
    if (status == FT_OK) {
        FTDeviceText = TextOf(buffer, size);
    } else {
        ReportFTError(label, status);
    }
    return status;
}

FT_STATUS D2XXUnit::Open_USB_Device_By_Serial_Number(const QString& serialNumber) {
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
    } else {
        ReportFTError(QStringLiteral("Open_USB_Device_By_Serial_Number"), status);
    }
    return status;
}

FT_STATUS D2XXUnit::CloseFTDevice() {
    const FT_STATUS status = driver_.Close(FTHandle);
    qCDebug(kelmorLink) << "close status" << status;
    if (status != FT_OK) {
        ReportFTError(QStringLiteral("FT_Close"), status);
    }
    return status;
}

std::uint32_t D2XXUnit::ReadFTDevice(std::uint32_t count) {
    std::uint32_t received = 0;
    // Refused rather than passed on: a count beyond the buffer would overrun it.
    FT_STATUS status = FT_INVALID_PARAMETER;
    if (count <= kReceiveBufferSize) {
        status = driver_.Read(FTHandle, FTReceiveBuffer.data(), count, received);
        received = std::min(received, count);
    }
    lastTransferStatus_ = status;
    qCDebug(kelmorLink).nospace() << "read " << received << " of " << count << " status " << status
                                  << ": " << HexDump(FTReceiveBuffer.data(), received);
    if (status != FT_OK) {
        ReportFTError(QStringLiteral("FT_Read"), status);
    }
    return received;
}

std::uint32_t D2XXUnit::WriteFTDevice(std::uint32_t count) {
    std::uint32_t written = 0;
    FT_STATUS status = FT_INVALID_PARAMETER;
    if (count <= kTransmitBufferSize) {
        status = driver_.Write(FTHandle, FTTransmitBuffer.data(), count, written);
        written = std::min(written, count);
    }
    lastTransferStatus_ = status;
    qCDebug(kelmorLink).nospace() << "write " << written << " of " << count << " status " << status
                                  << ": " << HexDump(FTTransmitBuffer.data(), count);
    if (status != FT_OK) {
        ReportFTError(QStringLiteral("FT_Write"), status);
    }
    return written;
}

FT_STATUS D2XXUnit::PurgeFTDeviceRX() {
    const FT_STATUS status = driver_.Purge(FTHandle, FT_PURGE_RX);
    if (status != FT_OK) {
        ReportFTError(QStringLiteral("FT_Purge RX"), status);
    }
    return status;
}

void D2XXUnit::SetReadProgress(ReadProgress progress) {
    driver_.SetReadProgress(std::move(progress));
}

QString D2XXUnit::ComposeFTError(const QString& label, FT_STATUS status) {
    if (status == FT_OK || status > kHighestStatus) {
        return QString();
    }
    return label + QLatin1String(kStatusTexts[status]);
}

void D2XXUnit::ReportFTError(const QString& label, FT_STATUS status) {
    if (!FTErrorReportOn) {
        return;
    }
    const QString text = ComposeFTError(label, status);
    if (text.isEmpty()) {
        return;
    }
    lastErrorReport_ = text;
    qCDebug(kelmorLink) << text;
}

}  // namespace kelmor
