#pragma once

#include <QBrush>
#include <QPaintEngine>
#include <QPen>
#include <QRectF>
#include <QSize>
#include <QTransform>
#include <vector>

#include "wmf_file.h"
#include "wmf_handle_table.h"
#include "wmf_record_writer.h"

namespace kelmor {

// Records what a QPainter draws as 16-bit metafile records. Coordinates arrive in device
// pixels through the painter's transform, which this engine applies itself, and are written
// as `unitsPerPixel` logical units each. Pictures (pixmaps, images) are left out: the
// metafile stays all vector, and bitmap records are what readers most often refuse.
class WmfPaintEngine : public QPaintEngine {
  public:
    WmfPaintEngine(QSize sizeInPixels, int unitsPerPixel, int dotsPerInch);

    bool begin(QPaintDevice* device) override;
    bool end() override;
    void updateState(const QPaintEngineState& state) override;

    using QPaintEngine::drawEllipse;
    using QPaintEngine::drawPolygon;
    using QPaintEngine::drawRects;
    void drawRects(const QRectF* rects, int count) override;
    void drawEllipse(const QRectF& rect) override;
    void drawPath(const QPainterPath& path) override;
    void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override;
    void drawTextItem(const QPointF& position, const QTextItem& item) override;
    void drawPixmap(const QRectF& target, const QPixmap& pixmap, const QRectF& source) override;
    void drawImage(const QRectF& target, const QImage& image, const QRectF& source,
                   Qt::ImageConversionFlags flags) override;
    Type type() const override { return User; }

    QByteArray Metafile() const;
    bool WriteMetafile(QIODevice& out) const;

  private:
    struct PenKey {
        quint16 style = 0;
        qint16 width = 0;
        QRgb color = 0;
        bool operator==(const PenKey& o) const {
            return style == o.style && width == o.width && color == o.color;
        }
    };
    struct BrushKey {
        quint16 style = 0;
        QRgb color = 0;
        quint16 hatch = 0;
        bool operator==(const BrushKey& o) const {
            return style == o.style && color == o.color && hatch == o.hatch;
        }
    };
    struct FontKey {
        WmfFont font;
        bool operator==(const FontKey& o) const {
            return font.height == o.font.height && font.escapement == o.font.escapement &&
                   font.weight == o.font.weight && font.italic == o.font.italic &&
                   font.face == o.font.face;
        }
    };
    // An object the reader holds in its handle table, and whether it is the selected one.
    template <typename Key>
    struct LiveObject {
        int slot = -1;
        Key key;
        bool selected = false;
    };
    template <typename Key, typename Create>
    void Use(LiveObject<Key>& object, const Key& key, Create create);

    bool PenVisible() const;
    bool BrushVisible() const;
    QRgb Blended(const QColor& color) const;
    PenKey PenFor(const QPen& pen) const;
    BrushKey BrushFor(const QBrush& brush) const;
    void UsePen(bool visible);
    void UseBrush(bool visible);
    void UsePolyFillMode(Qt::FillRule rule);
    void UseTextColor(QRgb color);
    void UseClip();
    void ForgetSelections();

    QTransform ToLogical() const;  // the painter's transform, then pixels to logical units
    const WmfPoint* Rounded(const QPolygonF& logical);
    void StrokePolyline(const QPolygonF& logical);
    void FillPolygons(const std::vector<QPolygonF>& logical, Qt::FillRule rule, bool outline);
    void FillSplit(const std::vector<QPolygonF>& logical, const QRectF& box, int depth);
    bool AxisAlignedRect(const QRectF& rect, WmfRect& logical) const;

    WmfRecordWriter writer_;
    WmfHandleTable handles_;
    WmfFrame frame_;
    int unitsPerPixel = 1;
    QRectF guard_;  // the logical area whose coordinates 16 bits can hold

    QPen pen_;
    QBrush brush_;
    QTransform transform_;
    qreal opacity_ = 1.0;
    bool clipEnabled = false;
    bool hasClip = false;
    QRectF clip_;  // device pixels

    LiveObject<PenKey> penObject;
    LiveObject<BrushKey> brushObject;
    LiveObject<FontKey> fontObject;
    bool textColorKnown = false;
    QRgb textColor = 0;
    quint16 polyFillMode = 0;
    bool clipWritten = false;
    WmfRect writtenClip;

    std::vector<WmfPoint> points_;  // reused for every record's points
};

}  // namespace kelmor
