#include "wmf_file.h"

#include <QBuffer>
#include <algorithm>

#include "wmf_constants.h"
#include "wmf_record_writer.h"

namespace kelmor {

namespace {

constexpr quint32 kEofRecordWords = 3;

void AppendWord(QByteArray& bytes, quint16 value) {
    bytes.append(static_cast<char>(value & 0xFF));
    bytes.append(static_cast<char>(value >> 8));
}

void AppendDword(QByteArray& bytes, quint32 value) {
    AppendWord(bytes, static_cast<quint16>(value & 0xFFFF));
    AppendWord(bytes, static_cast<quint16>(value >> 16));
}

}  // namespace

quint16 PlaceableChecksum(const QByteArray& header) {
    quint16 checksum = 0;
    for (int i = 0; i + 1 < header.size() && i < 20; i += 2) {
        checksum ^= static_cast<quint16>(static_cast<quint8>(header[i]) |
                                         static_cast<quint8>(header[i + 1]) << 8);
    }
    return checksum;
}

bool WriteMetafile(QIODevice& out, const WmfRecordWriter& records, const WmfFrame& frame,
                   quint16 objectCount) {
    QByteArray head;
    head.reserve(wmf::kPlaceableHeaderBytes + wmf::kMetaHeaderWords * 2);

    AppendDword(head, wmf::kPlaceableKey);
    AppendWord(head, 0);  // handle, unused in files
    AppendWord(head, 0);  // bounding box: left, top, right, bottom
    AppendWord(head, 0);
    AppendWord(head, static_cast<quint16>(frame.width));
    AppendWord(head, static_cast<quint16>(frame.height));
    AppendWord(head, frame.unitsPerInch);
    AppendDword(head, 0);  // reserved
    AppendWord(head, PlaceableChecksum(head));

    const quint32 totalWords = wmf::kMetaHeaderWords +
                               static_cast<quint32>(records.Records().size()) / 2 + kEofRecordWords;
    AppendWord(head, wmf::kMemoryMetafile);
    AppendWord(head, wmf::kMetaHeaderWords);
    AppendWord(head, wmf::kMetafileVersion);
    AppendDword(head, totalWords);
    AppendWord(head, objectCount);
    AppendDword(head, std::max(records.MaxRecordWords(), kEofRecordWords));
    AppendWord(head, 0);  // members, unused

    QByteArray eof;
    AppendDword(eof, kEofRecordWords);
    AppendWord(eof, wmf::kEof);

    // The records, the bulk of the file, go out as they are, without another copy.
    const QByteArray* const parts[] = {&head, &records.Records(), &eof};
    for (const QByteArray* part : parts) {
        if (out.write(*part) != part->size()) {
            return false;
        }
    }
    return true;
}

QByteArray AssembleMetafile(const WmfRecordWriter& records, const WmfFrame& frame,
                            quint16 objectCount) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    WriteMetafile(buffer, records, frame, objectCount);
    return bytes;
}

}  // namespace kelmor
