#pragma once

#include <QByteArray>
#include <QRgb>
#include <QtGlobal>

namespace kelmor {

struct WmfPoint {
    qint16 x = 0;
    qint16 y = 0;
};

struct WmfRect {
    qint16 left = 0;
    qint16 top = 0;
    qint16 right = 0;
    qint16 bottom = 0;
};

struct WmfFont {
    qint16 height = 0;      // negative: the character (em) height, as Qt's pixel size means it
    qint16 escapement = 0;  // tenths of a degree, counter-clockwise; also the glyph orientation
    qint16 weight = 400;
    bool italic = false;
    QByteArray face;  // at most 31 bytes are kept
};

// Appends the records of a 16-bit metafile, little-endian, and keeps what the metafile header
// needs to know about them. Every record stays below 65536 words and every count fits 16 bits:
// some readers take the record size as a 16-bit number.
class WmfRecordWriter {
  public:
    static constexpr int kMaxPointsPerRecord = 8000;
    static constexpr int kMaxTextBytes = 4000;

    void SetMapMode(quint16 mode);
    void SetWindowOrg(qint16 x, qint16 y);
    void SetWindowExt(qint16 width, qint16 height);
    void SetBkMode(quint16 mode);
    void SetTextAlign(quint16 align);
    void SetPolyFillMode(quint16 mode);
    void SetTextColor(QRgb color);
    void SaveDc();
    void RestoreDc();  // to the state of the latest SaveDc
    void IntersectClipRect(const WmfRect& rect);

    void CreatePenIndirect(quint16 style, qint16 width, QRgb color);
    void CreateBrushIndirect(quint16 style, QRgb color, quint16 hatch);
    void CreateFontIndirect(const WmfFont& font);
    void SelectObject(quint16 index);
    void DeleteObject(quint16 index);

    // Long polylines become several records that share their joining point.
    void Polyline(const WmfPoint* points, int count);
    // These refuse (return false, write nothing) what would not fit one record. `advances`
    // holds one distance per byte of `text`, or is null for the face's own.
    bool Polygon(const WmfPoint* points, int count);
    bool PolyPolygon(const WmfPoint* points, const int* counts, int polygonCount);
    bool ExtTextOut(WmfPoint origin, const QByteArray& text, const qint16* advances);
    void Rectangle(const WmfRect& rect);
    void Ellipse(const WmfRect& rect);

    const QByteArray& Records() const { return records_; }
    quint32 MaxRecordWords() const { return maxRecordWords; }

  private:
    void Begin(quint16 function);
    void Word(quint16 value);
    void Words(const WmfRect& rect);  // bottom, right, top, left: the format's order
    void Points(const WmfPoint* points, int count);
    void End();

    QByteArray records_;
    int recordStart = 0;
    quint32 maxRecordWords = 0;
};

}  // namespace kelmor
