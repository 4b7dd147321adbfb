#include "metafile_reader.h"

#include <algorithm>
#include <optional>

#include "wmf/wmf_constants.h"

namespace kelmor::test {

namespace {

quint16 U16(const QByteArray& bytes, qsizetype at) {
    return static_cast<quint16>(static_cast<quint8>(bytes[at]) | static_cast<quint8>(bytes[at + 1])
                                                                     << 8);
}

quint32 U32(const QByteArray& bytes, qsizetype at) {
    return U16(bytes, at) | static_cast<quint32>(U16(bytes, at + 2)) << 16;
}

enum class Kind { kPen, kBrush, kFont };

struct Selection {
    std::optional<int> pen, brush, font;
};

}  // namespace

qint16 MetafileRecord::Word(int index) const {
    if (index < 0 || 2 * index + 1 >= params.size()) {
        return 0;
    }
    return static_cast<qint16>(U16(params, 2 * index));
}

std::vector<MetafileRecord> Metafile::Of(quint16 function) const {
    std::vector<MetafileRecord> found;
    for (const MetafileRecord& record : records) {
        if (record.function == function) {
            found.push_back(record);
        }
    }
    return found;
}

Metafile ReadMetafile(const QByteArray& bytes) {
    Metafile file;
    if (bytes.size() < 22 + 18) {
        file.problem = QStringLiteral("shorter than the two headers");
        return file;
    }
    if (U32(bytes, 0) != 0x9AC6CDD7u) {
        file.problem = QStringLiteral("no placeable key");
        return file;
    }
    quint16 checksum = 0;
    for (int i = 0; i < 20; i += 2) {
        checksum ^= U16(bytes, i);
    }
    if (checksum != U16(bytes, 20)) {
        file.problem = QStringLiteral("placeable checksum wrong");
        return file;
    }
    file.left = static_cast<qint16>(U16(bytes, 6));
    file.top = static_cast<qint16>(U16(bytes, 8));
    file.right = static_cast<qint16>(U16(bytes, 10));
    file.bottom = static_cast<qint16>(U16(bytes, 12));
    file.unitsPerInch = U16(bytes, 14);
    file.headerType = U16(bytes, 22);
    file.headerWords = U16(bytes, 24);
    file.version = U16(bytes, 26);
    file.sizeWords = U32(bytes, 28);
    file.objectCount = U16(bytes, 32);
    file.maxRecordWords = U32(bytes, 34);
    if (file.headerWords != 9) {
        file.problem = QStringLiteral("metafile header is not 9 words");
        return file;
    }
    if (qint64{file.sizeWords} * 2 != bytes.size() - 22) {
        file.problem = QStringLiteral(
                           "header size %1 words, file holds %2 bytes after the "
                           "placeable header")
                           .arg(file.sizeWords)
                           .arg(bytes.size() - 22);
        return file;
    }
    quint32 largest = 0;
    qsizetype at = 22 + 18;
    while (at < bytes.size()) {
        if (bytes.size() - at < 6) {
            file.problem = QStringLiteral("a record header is cut off at byte %1").arg(at);
            return file;
        }
        MetafileRecord record;
        record.words = U32(bytes, at);
        record.function = U16(bytes, at + 4);
        if (record.words < 3 || qint64{record.words} * 2 > bytes.size() - at) {
            file.problem = QStringLiteral("record 0x%1 at byte %2 claims %3 words")
                               .arg(record.function, 4, 16, QLatin1Char('0'))
                               .arg(at)
                               .arg(record.words);
            return file;
        }
        if (record.words > 0xFFFF) {
            file.problem = QStringLiteral("record at byte %1 exceeds 16-bit size").arg(at);
            return file;
        }
        record.params = bytes.mid(at + 6, record.words * 2 - 6);
        largest = std::max(largest, record.words);
        at += record.words * 2;
        file.records.push_back(record);
        if (record.function == wmf::kEof) {
            break;
        }
    }
    if (file.records.empty() || file.records.back().function != wmf::kEof) {
        file.problem = QStringLiteral("no end record");
    } else if (at != bytes.size()) {
        file.problem = QStringLiteral("bytes follow the end record");
    } else if (largest != file.maxRecordWords) {
        file.problem = QStringLiteral("largest record %1 words, header says %2")
                           .arg(largest)
                           .arg(file.maxRecordWords);
    }
    return file;
}

QString CheckObjects(const Metafile& file) {
    std::vector<std::optional<Kind>> table(file.objectCount);
    std::vector<Selection> saved;
    Selection current;
    const auto create = [&](Kind kind) -> QString {
        for (auto& slot : table) {
            if (!slot) {
                slot = kind;
                return {};
            }
        }
        return QStringLiteral("object created with all %1 slots taken").arg(table.size());
    };
    const auto selected = [&](int index) {
        const auto is = [index](const std::optional<int>& s) { return s && *s == index; };
        if (is(current.pen) || is(current.brush) || is(current.font)) {
            return true;
        }
        for (const Selection& s : saved) {
            if (is(s.pen) || is(s.brush) || is(s.font)) {
                return true;
            }
        }
        return false;
    };
    for (size_t i = 0; i < file.records.size(); ++i) {
        const MetafileRecord& r = file.records[i];
        const QString where = QStringLiteral(" (record %1)").arg(i);
        QString problem;
        switch (r.function) {
            case wmf::kCreatePenIndirect:
                problem = create(Kind::kPen);
                break;
            case wmf::kCreateBrushIndirect:
                problem = create(Kind::kBrush);
                break;
            case wmf::kCreateFontIndirect:
                problem = create(Kind::kFont);
                break;
            case wmf::kSelectObject:
            case wmf::kDeleteObject: {
                const int index = static_cast<quint16>(r.Word(0));
                if (index >= static_cast<int>(table.size()) || !table[index]) {
                    return QStringLiteral("object %1 does not exist").arg(index) + where;
                }
                if (r.function == wmf::kDeleteObject) {
                    if (selected(index)) {
                        return QStringLiteral("object %1 deleted while selected").arg(index) +
                               where;
                    }
                    table[index].reset();
                } else if (*table[index] == Kind::kPen) {
                    current.pen = index;
                } else if (*table[index] == Kind::kBrush) {
                    current.brush = index;
                } else {
                    current.font = index;
                }
                break;
            }
            case wmf::kSaveDc:
                saved.push_back(current);
                break;
            case wmf::kRestoreDc:
                if (saved.empty()) {
                    return QStringLiteral("RestoreDC without SaveDC") + where;
                }
                current = saved.back();
                saved.pop_back();
                break;
            case wmf::kPolyline:
                if (!current.pen) {
                    return QStringLiteral("polyline without a pen") + where;
                }
                break;
            case wmf::kPolygon:
            case wmf::kPolyPolygon:
            case wmf::kRectangle:
            case wmf::kEllipse:
                if (!current.pen || !current.brush) {
                    return QStringLiteral("fill without pen and brush") + where;
                }
                break;
            case wmf::kExtTextOut:
                if (!current.font) {
                    return QStringLiteral("text without a font") + where;
                }
                break;
            default:
                break;
        }
        if (!problem.isEmpty()) {
            return problem + where;
        }
    }
    return {};
}

std::vector<QByteArray> Texts(const Metafile& file) {
    std::vector<QByteArray> texts;
    for (const MetafileRecord& r : file.Of(wmf::kExtTextOut)) {
        const int length = r.Word(2);
        const int options = r.Word(3);
        const int start = (options & 0x0006) != 0 ? 16 : 8;  // a rectangle follows the options
        texts.push_back(r.params.mid(start, length));
    }
    return texts;
}

}  // namespace kelmor::test
