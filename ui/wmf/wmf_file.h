#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QtGlobal>

namespace kelmor {

class WmfRecordWriter;

// What the placeable header tells a reader about the picture's extent.
struct WmfFrame {
    qint16 width = 0;  // logical units; the picture spans (0, 0) to (width, height)
    qint16 height = 0;
    quint16 unitsPerInch = 1440;
};

// XOR of the header's first ten 16-bit words (everything before the checksum itself).
quint16 PlaceableChecksum(const QByteArray& header);

// The whole file, written to `out`: placeable header, metafile header, the records and the
// end record. `objectCount` is the number of handle-table slots the records use. False
// when `out` took fewer bytes than it was given.
bool WriteMetafile(QIODevice& out, const WmfRecordWriter& records, const WmfFrame& frame,
                   quint16 objectCount);
// The same file in memory.
QByteArray AssembleMetafile(const WmfRecordWriter& records, const WmfFrame& frame,
                            quint16 objectCount);

}  // namespace kelmor
