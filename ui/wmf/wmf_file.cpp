#include "wmf_file.h"

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

QByteArray AssembleMetafile(const WmfRecordWriter& records, const WmfFrame& frame,
                            quint16 object_count) {
    QByteArray bytes;
    bytes.reserve(wmf::kPlaceableHeaderBytes + wmf::kMetaHeaderWords * 2 +
                  records.Records().size() + kEofRecordWords * 2);

    AppendDword(bytes, wmf::kPlaceableKey);
    AppendWord(bytes, 0);  // handle, unused in files
    AppendWord(bytes, 0);  // bounding box: left, top, right, bottom
    AppendWord(bytes, 0);
    AppendWord(bytes, static_cast<quint16>(frame.width));
    AppendWord(bytes, static_cast<quint16>(frame.height));
    AppendWord(bytes, frame.units_per_inch);
    AppendDword(bytes, 0);  // reserved
    AppendWord(bytes, PlaceableChecksum(bytes));

    const quint32 total_words = wmf::kMetaHeaderWords +
                                static_cast<quint32>(records.Records().size()) / 2 +
                                kEofRecordWords;
    AppendWord(bytes, wmf::kMemoryMetafile);
    AppendWord(bytes, wmf::kMetaHeaderWords);
    AppendWord(bytes, wmf::kMetafileVersion);
    AppendDword(bytes, total_words);
    AppendWord(bytes, object_count);
    AppendDword(bytes, std::max(records.MaxRecordWords(), kEofRecordWords));
    AppendWord(bytes, 0);  // members, unused

    bytes.append(records.Records());

    AppendDword(bytes, kEofRecordWords);
    AppendWord(bytes, wmf::kEof);
    return bytes;
}

}  // namespace kelmor
