#include "wmf_record_writer.h"

#include <algorithm>

#include "wmf_constants.h"

namespace kelmor {

namespace {

quint16 Low(quint32 value) {
    return static_cast<quint16>(value & 0xFFFF);
}
quint16 High(quint32 value) {
    return static_cast<quint16>(value >> 16);
}

// A colour reference is the bytes red, green, blue, 0.
quint32 ColorRef(QRgb color) {
    return static_cast<quint32>(qRed(color)) | static_cast<quint32>(qGreen(color)) << 8 |
           static_cast<quint32>(qBlue(color)) << 16;
}

}  // namespace

void WmfRecordWriter::Begin(quint16 function) {
    recordStart = records_.size();
    Word(0);  // size, filled in by End()
    Word(0);
    Word(function);
}

void WmfRecordWriter::Word(quint16 value) {
    records_.append(static_cast<char>(value & 0xFF));
    records_.append(static_cast<char>(value >> 8));
}

void WmfRecordWriter::Words(const WmfRect& rect) {
    Word(static_cast<quint16>(rect.bottom));
    Word(static_cast<quint16>(rect.right));
    Word(static_cast<quint16>(rect.top));
    Word(static_cast<quint16>(rect.left));
}

void WmfRecordWriter::Points(const WmfPoint* points, int count) {
    for (int i = 0; i < count; ++i) {
        Word(static_cast<quint16>(points[i].x));
        Word(static_cast<quint16>(points[i].y));
    }
}

void WmfRecordWriter::End() {
    const quint32 words = static_cast<quint32>(records_.size() - recordStart) / 2;
    char* size = records_.data() + recordStart;
    size[0] = static_cast<char>(words & 0xFF);
    size[1] = static_cast<char>((words >> 8) & 0xFF);
    size[2] = static_cast<char>((words >> 16) & 0xFF);
    size[3] = static_cast<char>(words >> 24);
    maxRecordWords = std::max(maxRecordWords, words);
}

void WmfRecordWriter::SetMapMode(quint16 mode) {
    Begin(wmf::kSetMapMode);
    Word(mode);
    End();
}

// The format stores y before x in these two records.
void WmfRecordWriter::SetWindowOrg(qint16 x, qint16 y) {
    Begin(wmf::kSetWindowOrg);
    Word(static_cast<quint16>(y));
    Word(static_cast<quint16>(x));
    End();
}

void WmfRecordWriter::SetWindowExt(qint16 width, qint16 height) {
    Begin(wmf::kSetWindowExt);
    Word(static_cast<quint16>(height));
    Word(static_cast<quint16>(width));
    End();
}

void WmfRecordWriter::SetBkMode(quint16 mode) {
    Begin(wmf::kSetBkMode);
    Word(mode);
    End();
}

void WmfRecordWriter::SetTextAlign(quint16 align) {
    Begin(wmf::kSetTextAlign);
    Word(align);
    End();
}

void WmfRecordWriter::SetPolyFillMode(quint16 mode) {
    Begin(wmf::kSetPolyFillMode);
    Word(mode);
    End();
}

void WmfRecordWriter::SetTextColor(QRgb color) {
    Begin(wmf::kSetTextColor);
    Word(Low(ColorRef(color)));
    Word(High(ColorRef(color)));
    End();
}

void WmfRecordWriter::SaveDc() {
    Begin(wmf::kSaveDc);
    End();
}

void WmfRecordWriter::RestoreDc() {
    Begin(wmf::kRestoreDc);
    Word(static_cast<quint16>(-1));
    End();
}

void WmfRecordWriter::IntersectClipRect(const WmfRect& rect) {
    Begin(wmf::kIntersectClipRect);
    Words(rect);
    End();
}

void WmfRecordWriter::CreatePenIndirect(quint16 style, qint16 width, QRgb color) {
    Begin(wmf::kCreatePenIndirect);
    Word(style);
    Word(static_cast<quint16>(width));  // the width is the x of a point whose y is unused
    Word(0);
    Word(Low(ColorRef(color)));
    Word(High(ColorRef(color)));
    End();
}

void WmfRecordWriter::CreateBrushIndirect(quint16 style, QRgb color, quint16 hatch) {
    Begin(wmf::kCreateBrushIndirect);
    Word(style);
    Word(Low(ColorRef(color)));
    Word(High(ColorRef(color)));
    Word(hatch);
    End();
}

void WmfRecordWriter::CreateFontIndirect(const WmfFont& font) {
    Begin(wmf::kCreateFontIndirect);
    Word(static_cast<quint16>(font.height));
    Word(0);  // width: the face's own
    Word(static_cast<quint16>(font.escapement));
    Word(static_cast<quint16>(font.escapement));  // orientation
    Word(static_cast<quint16>(font.weight));
    Word(font.italic ? 1 : 0);     // italic, underline
    Word(wmf::kAnsiCharset << 8);  // strike-out, character set
    Word(0);                       // output and clip precision
    Word(0);                       // quality, pitch and family
    QByteArray face = font.face.left(wmf::kFaceNameBytes - 1);
    face.append(QByteArray(wmf::kFaceNameBytes - face.size(), '\0'));
    records_.append(face);
    End();
}

void WmfRecordWriter::SelectObject(quint16 index) {
    Begin(wmf::kSelectObject);
    Word(index);
    End();
}

void WmfRecordWriter::DeleteObject(quint16 index) {
    Begin(wmf::kDeleteObject);
    Word(index);
    End();
}

void WmfRecordWriter::Polyline(const WmfPoint* points, int count) {
    if (count < 2) {
        return;
    }
    for (int first = 0; first < count - 1; first += kMaxPointsPerRecord - 1) {
        const int n = std::min(kMaxPointsPerRecord, count - first);
        Begin(wmf::kPolyline);
        Word(static_cast<quint16>(n));
        Points(points + first, n);
        End();
    }
}

bool WmfRecordWriter::Polygon(const WmfPoint* points, int count) {
    if (count < 2 || count > kMaxPointsPerRecord) {
        return false;
    }
    Begin(wmf::kPolygon);
    Word(static_cast<quint16>(count));
    Points(points, count);
    End();
    return true;
}

bool WmfRecordWriter::PolyPolygon(const WmfPoint* points, const int* counts, int polygonCount) {
    int total = 0;
    for (int i = 0; i < polygonCount; ++i) {
        if (counts[i] < 0) {
            return false;
        }
        total += counts[i];
        if (total > kMaxPointsPerRecord) {
            return false;
        }
    }
    if (polygonCount < 1 || total + polygonCount > kMaxPointsPerRecord) {
        return false;
    }
    Begin(wmf::kPolyPolygon);
    Word(static_cast<quint16>(polygonCount));
    for (int i = 0; i < polygonCount; ++i) {
        Word(static_cast<quint16>(counts[i]));
    }
    Points(points, total);
    End();
    return true;
}

bool WmfRecordWriter::ExtTextOut(WmfPoint origin, const QByteArray& text, const qint16* advances) {
    if (text.isEmpty() || text.size() > kMaxTextBytes) {
        return false;
    }
    Begin(wmf::kExtTextOut);
    Word(static_cast<quint16>(origin.y));
    Word(static_cast<quint16>(origin.x));
    Word(static_cast<quint16>(text.size()));
    Word(0);  // no options, so no rectangle follows
    records_.append(text);
    if (text.size() % 2 != 0) {
        records_.append('\0');
    }
    for (int i = 0; advances != nullptr && i < text.size(); ++i) {
        Word(static_cast<quint16>(advances[i]));
    }
    End();
    return true;
}

void WmfRecordWriter::Rectangle(const WmfRect& rect) {
    Begin(wmf::kRectangle);
    Words(rect);
    End();
}

void WmfRecordWriter::Ellipse(const WmfRect& rect) {
    Begin(wmf::kEllipse);
    Words(rect);
    End();
}

}  // namespace kelmor
