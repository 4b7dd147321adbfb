#include "wmf_paint_engine.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QGradient>
#include <QPainterPath>
#include <QtMath>
#include <algorithm>
#include <cmath>
#include <utility>

#include "wmf_clipping.h"
#include "wmf_constants.h"
#include "wmf_text_encoding.h"

namespace kelmor {

namespace {

// A little inside the 16-bit range, so that rounding never leaves it.
constexpr double kGuard = 32000.0;
// Enough halvings to bring any fill below one record; what still does not fit is dropped.
constexpr int kMaxSplitDepth = 20;

qint16 ToWord(double value) {
    return static_cast<qint16>(std::lround(std::clamp(value, -kGuard, kGuard)));
}

QColor BrushColor(const QBrush& brush) {
    const QGradient* gradient = brush.gradient();
    if (gradient != nullptr && !gradient->stops().isEmpty()) {
        return gradient->stops().first().second;
    }
    return brush.color();
}

quint16 PenStyleFor(const QPen& pen) {
    quint16 style = wmf::kPenSolid;
    switch (pen.style()) {
        case Qt::DashLine:
        case Qt::CustomDashLine:
            style = wmf::kPenDash;
            break;
        case Qt::DotLine:
            style = wmf::kPenDot;
            break;
        case Qt::DashDotLine:
            style = wmf::kPenDashDot;
            break;
        case Qt::DashDotDotLine:
            style = wmf::kPenDashDotDot;
            break;
        default:
            break;
    }
    switch (pen.capStyle()) {
        case Qt::FlatCap:
            style |= wmf::kPenEndCapFlat;
            break;
        case Qt::SquareCap:
            style |= wmf::kPenEndCapSquare;
            break;
        default:
            style |= wmf::kPenEndCapRound;
            break;
    }
    switch (pen.joinStyle()) {
        case Qt::MiterJoin:
        case Qt::SvgMiterJoin:
            style |= wmf::kPenJoinMiter;
            break;
        case Qt::BevelJoin:
            style |= wmf::kPenJoinBevel;
            break;
        default:
            style |= wmf::kPenJoinRound;
            break;
    }
    return style;
}

bool SameRect(const WmfRect& a, const WmfRect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

QRectF BoundsOf(const std::vector<QPolygonF>& polygons) {
    QRectF bounds;
    for (const QPolygonF& polygon : polygons) {
        bounds = bounds.united(polygon.boundingRect());
    }
    return bounds;
}

int PointCount(const std::vector<QPolygonF>& polygons) {
    int total = 0;
    for (const QPolygonF& polygon : polygons) {
        total += static_cast<int>(polygon.size());
    }
    return total;
}

}  // namespace

WmfPaintEngine::WmfPaintEngine(QSize sizeInPixels, int unitsPerPixel, int dotsPerInch)
    : QPaintEngine(AllFeatures),
      unitsPerPixel(unitsPerPixel),
      guard_(QPointF(-kGuard, -kGuard), QPointF(kGuard, kGuard)) {
    frame_.width = static_cast<qint16>(sizeInPixels.width() * unitsPerPixel);
    frame_.height = static_cast<qint16>(sizeInPixels.height() * unitsPerPixel);
    frame_.unitsPerInch = static_cast<quint16>(dotsPerInch * unitsPerPixel);
    writer_.SetMapMode(wmf::kAnisotropic);
    writer_.SetWindowOrg(0, 0);
    writer_.SetWindowExt(frame_.width, frame_.height);
    writer_.SetBkMode(wmf::kTransparent);
    writer_.SetTextAlign(wmf::kTextAlignBaseline);
    writer_.SetPolyFillMode(wmf::kAlternate);
    polyFillMode = wmf::kAlternate;
}

// Each painting session runs inside a saved state that clip changes return to.
bool WmfPaintEngine::begin(QPaintDevice*) {
    writer_.SaveDc();
    ForgetSelections();
    clipWritten = false;
    clipEnabled = false;
    hasClip = false;
    return true;
}

bool WmfPaintEngine::end() {
    writer_.RestoreDc();
    ForgetSelections();
    for (int* slot : {&penObject.slot, &brushObject.slot, &fontObject.slot}) {
        if (*slot >= 0) {
            writer_.DeleteObject(static_cast<quint16>(*slot));
            handles_.Release(*slot);
            *slot = -1;
        }
    }
    return true;
}

void WmfPaintEngine::updateState(const QPaintEngineState& state) {
    const DirtyFlags flags = state.state();
    if (flags & DirtyPen) {
        pen_ = state.pen();
    }
    if (flags & DirtyBrush) {
        brush_ = state.brush();
    }
    if (flags & DirtyOpacity) {
        opacity_ = std::clamp(state.opacity(), 0.0, 1.0);
    }
    // Before the clip: a clip arrives in the coordinates of the transform that comes with it.
    if (flags & DirtyTransform) {
        transform_ = state.transform();
    }
    if (flags & DirtyClipEnabled) {
        clipEnabled = state.isClipEnabled();
    }
    if (flags & (DirtyClipRegion | DirtyClipPath)) {
        // Only rectangles are metafile clips: other shapes clip to their bounding box.
        const QRectF bounds = flags & DirtyClipRegion
                                  ? transform_.mapRect(QRectF(state.clipRegion().boundingRect()))
                                  : transform_.map(state.clipPath()).boundingRect();
        switch (state.clipOperation()) {
            case Qt::NoClip:
                hasClip = false;
                break;
            case Qt::ReplaceClip:
                clip_ = bounds;
                hasClip = true;
                break;
            case Qt::IntersectClip:
                clip_ = hasClip ? clip_.intersected(bounds) : bounds;
                hasClip = true;
                break;
        }
    }
}

bool WmfPaintEngine::PenVisible() const {
    return pen_.style() != Qt::NoPen && pen_.color().alpha() > 0 && opacity_ > 0.0;
}

bool WmfPaintEngine::BrushVisible() const {
    return brush_.style() != Qt::NoBrush && BrushColor(brush_).alpha() > 0 && opacity_ > 0.0;
}

// Metafiles have no transparency: a translucent colour is mixed with the white page.
QRgb WmfPaintEngine::Blended(const QColor& color) const {
    const double alpha = color.alphaF() * opacity_;
    const auto mix = [alpha](int channel) {
        return static_cast<int>(std::lround(channel * alpha + 255.0 * (1.0 - alpha)));
    };
    return qRgb(mix(color.red()), mix(color.green()), mix(color.blue()));
}

WmfPaintEngine::PenKey WmfPaintEngine::PenFor(const QPen& pen) const {
    PenKey key;
    key.style = PenStyleFor(pen);
    double pixels = pen.widthF() > 0.0 ? pen.widthF() : 1.0;
    if (!pen.isCosmetic()) {
        pixels *= std::sqrt(std::abs(transform_.determinant()));
    }
    const double units = pixels * unitsPerPixel;
    key.width = std::isfinite(units) ? std::max<qint16>(1, ToWord(units)) : 1;
    key.color = Blended(pen.color());
    return key;
}

WmfPaintEngine::BrushKey WmfPaintEngine::BrushFor(const QBrush& brush) const {
    BrushKey key;
    key.style = wmf::kBrushSolid;
    key.color = Blended(BrushColor(brush));
    const auto hatched = [&key](quint16 hatch) {
        key.style = wmf::kBrushHatched;
        key.hatch = hatch;
    };
    switch (brush.style()) {
        case Qt::HorPattern:
            hatched(wmf::kHatchHorizontal);
            break;
        case Qt::VerPattern:
            hatched(wmf::kHatchVertical);
            break;
        case Qt::CrossPattern:
            hatched(wmf::kHatchCross);
            break;
        case Qt::BDiagPattern:
            hatched(wmf::kHatchBackwardDiagonal);
            break;
        case Qt::FDiagPattern:
            hatched(wmf::kHatchForwardDiagonal);
            break;
        case Qt::DiagCrossPattern:
            hatched(wmf::kHatchDiagonalCross);
            break;
        default:
            break;  // dense patterns, textures and gradients become their colour
    }
    return key;
}

template <typename Key, typename Create>
void WmfPaintEngine::Use(LiveObject<Key>& object, const Key& key, Create create) {
    if (object.slot >= 0 && object.key == key) {
        if (!object.selected) {
            writer_.SelectObject(static_cast<quint16>(object.slot));
            object.selected = true;
        }
        return;
    }
    // The new object is created while the old one still holds its slot, and the old one is
    // deleted only once it is no longer selected.
    const int slot = handles_.Acquire();
    if (slot < 0) {
        return;
    }
    create(key);
    writer_.SelectObject(static_cast<quint16>(slot));
    if (object.slot >= 0) {
        writer_.DeleteObject(static_cast<quint16>(object.slot));
        handles_.Release(object.slot);
    }
    object.slot = slot;
    object.key = key;
    object.selected = true;
}

void WmfPaintEngine::UsePen(bool visible) {
    PenKey key;
    if (visible) {
        key = PenFor(pen_);
    } else {
        key.style = wmf::kPenNull;
    }
    Use(penObject, key,
        [this](const PenKey& k) { writer_.CreatePenIndirect(k.style, k.width, k.color); });
}

void WmfPaintEngine::UseBrush(bool visible) {
    BrushKey key;
    if (visible) {
        key = BrushFor(brush_);
    } else {
        key.style = wmf::kBrushNull;
    }
    Use(brushObject, key,
        [this](const BrushKey& k) { writer_.CreateBrushIndirect(k.style, k.color, k.hatch); });
}

void WmfPaintEngine::UsePolyFillMode(Qt::FillRule rule) {
    const quint16 mode = rule == Qt::WindingFill ? wmf::kWinding : wmf::kAlternate;
    if (mode != polyFillMode) {
        writer_.SetPolyFillMode(mode);
        polyFillMode = mode;
    }
}

void WmfPaintEngine::UseTextColor(QRgb color) {
    if (!textColorKnown || color != textColor) {
        writer_.SetTextColor(color);
        textColor = color;
        textColorKnown = true;
    }
}

// A metafile clip can only shrink, so a new clip goes back to the saved state first. That also
// deselects the objects and resets the text colour and fill mode, which is noted here.
void WmfPaintEngine::UseClip() {
    const bool wanted = clipEnabled && hasClip;
    WmfRect rect;
    if (wanted) {
        const QRectF logical = QTransform::fromScale(unitsPerPixel, unitsPerPixel)
                                   .mapRect(clip_.normalized())
                                   .intersected(guard_);
        rect.left = ToWord(std::floor(logical.left()));
        rect.top = ToWord(std::floor(logical.top()));
        rect.right = ToWord(std::ceil(logical.right()));
        rect.bottom = ToWord(std::ceil(logical.bottom()));
    }
    if (wanted == clipWritten && (!wanted || SameRect(rect, writtenClip))) {
        return;
    }
    writer_.RestoreDc();
    writer_.SaveDc();
    ForgetSelections();
    if (wanted) {
        writer_.IntersectClipRect(rect);
    }
    clipWritten = wanted;
    writtenClip = rect;
}

void WmfPaintEngine::ForgetSelections() {
    penObject.selected = false;
    brushObject.selected = false;
    fontObject.selected = false;
    textColorKnown = false;
    polyFillMode = wmf::kAlternate;
}

QTransform WmfPaintEngine::ToLogical() const {
    return transform_ * QTransform::fromScale(unitsPerPixel, unitsPerPixel);
}

const WmfPoint* WmfPaintEngine::Rounded(const QPolygonF& logical) {
    points_.resize(static_cast<size_t>(logical.size()));
    for (qsizetype i = 0; i < logical.size(); ++i) {
        points_[static_cast<size_t>(i)] = {ToWord(logical[i].x()), ToWord(logical[i].y())};
    }
    return points_.data();
}

void WmfPaintEngine::StrokePolyline(const QPolygonF& logical) {
    UseClip();
    UsePen(true);
    for (const QPolygonF& piece : ClipPolyline(logical, guard_)) {
        writer_.Polyline(Rounded(piece), static_cast<int>(piece.size()));
    }
}

void WmfPaintEngine::FillPolygons(const std::vector<QPolygonF>& logical, Qt::FillRule rule,
                                  bool outline) {
    std::vector<QPolygonF> clipped;
    for (const QPolygonF& polygon : logical) {
        QPolygonF inside = ClipPolygon(polygon, guard_);
        if (!inside.isEmpty()) {
            clipped.push_back(std::move(inside));
        }
    }
    if (clipped.empty()) {
        return;
    }
    const bool oneRecord = PointCount(clipped) + static_cast<int>(clipped.size()) <=
                           WmfRecordWriter::kMaxPointsPerRecord;
    UseClip();
    UsePolyFillMode(rule);
    UseBrush(true);
    UsePen(outline && oneRecord);
    FillSplit(clipped, BoundsOf(clipped), 0);
    if (outline && !oneRecord) {
        for (QPolygonF polygon : logical) {
            if (polygon.isEmpty()) {
                continue;
            }
            polygon << polygon.first();
            StrokePolyline(polygon);
        }
    }
}

// A fill too large for one record is cut in halves until each part fits; the parts are
// filled with the pen the caller selected.
void WmfPaintEngine::FillSplit(const std::vector<QPolygonF>& logical, const QRectF& box,
                               int depth) {
    const int polygons = static_cast<int>(logical.size());
    const int total = PointCount(logical);
    if (total + polygons <= WmfRecordWriter::kMaxPointsPerRecord) {
        QPolygonF joined;
        std::vector<int> counts;
        for (const QPolygonF& polygon : logical) {
            joined << polygon;
            counts.push_back(static_cast<int>(polygon.size()));
        }
        const WmfPoint* points = Rounded(joined);
        if (polygons == 1) {
            writer_.Polygon(points, total);
        } else {
            writer_.PolyPolygon(points, counts.data(), polygons);
        }
        return;
    }
    if (depth >= kMaxSplitDepth) {
        return;
    }
    const bool splitX = box.width() >= box.height();
    const QRectF first = splitX ? QRectF(box.left(), box.top(), box.width() / 2, box.height())
                                : QRectF(box.left(), box.top(), box.width(), box.height() / 2);
    const QRectF second =
        splitX ? QRectF(first.right(), box.top(), box.right() - first.right(), box.height())
               : QRectF(box.left(), first.bottom(), box.width(), box.bottom() - first.bottom());
    for (const QRectF& half : {first, second}) {
        std::vector<QPolygonF> parts;
        for (const QPolygonF& polygon : logical) {
            QPolygonF part = ClipPolygon(polygon, half);
            if (!part.isEmpty()) {
                parts.push_back(std::move(part));
            }
        }
        if (!parts.empty()) {
            FillSplit(parts, half, depth + 1);
        }
    }
}

bool WmfPaintEngine::AxisAlignedRect(const QRectF& rect, WmfRect& logical) const {
    if (transform_.type() > QTransform::TxScale) {
        return false;
    }
    const QRectF mapped = ToLogical().mapRect(rect.normalized());
    // Written this way so that NaN fails too.
    if (!(mapped.left() >= guard_.left() && mapped.top() >= guard_.top() &&
          mapped.right() <= guard_.right() && mapped.bottom() <= guard_.bottom())) {
        return false;
    }
    logical = {ToWord(mapped.left()), ToWord(mapped.top()), ToWord(mapped.right()),
               ToWord(mapped.bottom())};
    return true;
}

void WmfPaintEngine::drawRects(const QRectF* rects, int count) {
    const bool fill = BrushVisible();
    const bool outline = PenVisible();
    if (!fill && !outline) {
        return;
    }
    for (int i = 0; i < count; ++i) {
        WmfRect logical;
        if (AxisAlignedRect(rects[i], logical)) {
            UseClip();
            UseBrush(fill);
            UsePen(outline);
            writer_.Rectangle(logical);
        } else {
            QPainterPath path;
            path.addRect(rects[i]);
            drawPath(path);
        }
    }
}

void WmfPaintEngine::drawEllipse(const QRectF& rect) {
    const bool fill = BrushVisible();
    const bool outline = PenVisible();
    if (!fill && !outline) {
        return;
    }
    WmfRect logical;
    if (AxisAlignedRect(rect, logical)) {
        UseClip();
        UseBrush(fill);
        UsePen(outline);
        writer_.Ellipse(logical);
        return;
    }
    QPainterPath path;
    path.addEllipse(rect);
    drawPath(path);
}

void WmfPaintEngine::drawPath(const QPainterPath& path) {
    const bool fill = BrushVisible();
    const bool outline = PenVisible();
    if (!fill && !outline) {
        return;
    }
    const QList<QPolygonF> subpaths = path.toSubpathPolygons(ToLogical());
    const std::vector<QPolygonF> polygons(subpaths.begin(), subpaths.end());
    const bool allClosed = std::all_of(polygons.begin(), polygons.end(), [](const QPolygonF& p) {
        return p.size() >= 3 && p.first() == p.last();
    });
    if (fill) {
        FillPolygons(polygons, path.fillRule(), outline && allClosed);
    }
    if (outline && !(fill && allClosed)) {
        for (const QPolygonF& polygon : polygons) {
            StrokePolyline(polygon);
        }
    }
}

void WmfPaintEngine::drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) {
    if (count < 2) {
        return;
    }
    const QTransform toLogical = ToLogical();
    QPolygonF logical;
    logical.reserve(count);
    for (int i = 0; i < count; ++i) {
        logical << toLogical.map(points[i]);
    }
    const bool outline = PenVisible();
    if (mode == PolylineMode) {
        if (outline) {
            StrokePolyline(logical);
        }
        return;
    }
    if (BrushVisible()) {
        FillPolygons({logical}, mode == WindingMode ? Qt::WindingFill : Qt::OddEvenFill, outline);
    } else if (outline) {
        logical << logical.first();
        StrokePolyline(logical);
    }
}

// Text keeps Qt's layout: the advance of every character is written with it, so a reader
// whose face differs still places each character where Qt did. Rotated text goes without
// them: libwmf (behind wmf2svg and ImageMagick) steps them along the wrong axis.
void WmfPaintEngine::drawTextItem(const QPointF& position, const QTextItem& item) {
    const QList<uint> codePoints = item.text().toUcs4();
    if (codePoints.isEmpty() || !PenVisible()) {
        return;
    }
    const QFont font = item.font();
    const QTransform toLogical = ToLogical();
    const QPointF origin = toLogical.map(position);
    const QPointF along = toLogical.map(QPointF(1, 0)) - toLogical.map(QPointF(0, 0));
    const QPointF across = toLogical.map(QPointF(0, 1)) - toLogical.map(QPointF(0, 0));
    const double alongLength = std::hypot(along.x(), along.y());
    const double acrossLength = std::hypot(across.x(), across.y());
    const int dpi = paintDevice() != nullptr ? paintDevice()->logicalDpiY() : 96;
    const double pixels = font.pixelSize() > 0 ? font.pixelSize() : font.pointSizeF() * dpi / 72.0;
    const double height = pixels * acrossLength;
    if (!(alongLength > 0.0) || !(height >= 0.5 && height <= kGuard) || !IsFinite(origin)) {
        return;
    }

    WmfFont wmfFont;
    wmfFont.height = static_cast<qint16>(-std::lround(height));
    // Escapement counts counter-clockwise as seen, with y growing downwards.
    long escapement = std::lround(std::atan2(-along.y(), along.x()) * 1800.0 / M_PI);
    if (escapement < 0) {
        escapement += 3600;
    }
    wmfFont.escapement = static_cast<qint16>(escapement % 3600);
    wmfFont.weight = static_cast<qint16>(std::clamp(static_cast<int>(font.weight()), 1, 1000));
    wmfFont.italic = font.style() != QFont::StyleNormal;
    wmfFont.face = QFontInfo(font).family().toLatin1();

    UseClip();
    Use(fontObject, FontKey{wmfFont},
        [this](const FontKey& k) { writer_.CreateFontIndirect(k.font); });
    UseTextColor(Blended(pen_.color()));

    const QFontMetricsF metrics(font, paintDevice());
    const int count = static_cast<int>(codePoints.size());
    QByteArray bytes(count, '\0');
    std::vector<double> offsets(static_cast<size_t>(count) + 1, 0.0);
    for (int i = 0; i < count; ++i) {
        const char32_t codePoint = codePoints[i];
        bytes[i] = ToWindows1252(codePoint);
        offsets[static_cast<size_t>(i) + 1] =
            offsets[static_cast<size_t>(i)] +
            metrics.horizontalAdvance(QString::fromUcs4(&codePoint, 1));
    }
    // Single characters miss the kerning of the run: stretch them to the run's own width.
    const double measured = offsets.back();
    const double stretch = measured > 0.0 && item.width() > 0.0 ? item.width() / measured : 1.0;
    std::vector<qint16> advances(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const double from = offsets[static_cast<size_t>(i)] * stretch * alongLength;
        const double to = offsets[static_cast<size_t>(i) + 1] * stretch * alongLength;
        advances[static_cast<size_t>(i)] = ToWord(std::lround(to) - std::lround(from));
    }

    const QPointF unitAlong = along / alongLength;
    for (int first = 0; first < count; first += WmfRecordWriter::kMaxTextBytes) {
        const QPointF start =
            origin + unitAlong * offsets[static_cast<size_t>(first)] * stretch * alongLength;
        if (!guard_.contains(start)) {
            continue;
        }
        writer_.ExtTextOut({ToWord(start.x()), ToWord(start.y())},
                           bytes.mid(first, WmfRecordWriter::kMaxTextBytes),
                           wmfFont.escapement == 0 ? advances.data() + first : nullptr);
    }
}

// Pictures are left out; see the class comment.
void WmfPaintEngine::drawPixmap(const QRectF&, const QPixmap&, const QRectF&) {}

void WmfPaintEngine::drawImage(const QRectF&, const QImage&, const QRectF&,
                               Qt::ImageConversionFlags) {}

QByteArray WmfPaintEngine::Metafile() const {
    return AssembleMetafile(writer_, frame_, static_cast<quint16>(handles_.HighWater()));
}

bool WmfPaintEngine::WriteMetafile(QIODevice& out) const {
    return kelmor::WriteMetafile(out, writer_, frame_, static_cast<quint16>(handles_.HighWater()));
}

}  // namespace kelmor
