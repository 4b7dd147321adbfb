#include "wmf_paint_device.h"

#include <algorithm>

#include "wmf_paint_engine.h"

namespace kelmor {

namespace {

constexpr int kPreferredUnitsPerPixel = 15;
constexpr int kLargestCoordinate = 32000;  // leaves room below the 16-bit limit
constexpr int kLargestUnitsPerInch = 65535;

int Millimetres(int pixels, int dots_per_inch) {
    return dots_per_inch > 0 ? static_cast<int>(qint64{pixels} * 254 / (qint64{dots_per_inch} * 10))
                             : 0;
}

}  // namespace

WmfPaintDevice::WmfPaintDevice(QSize size_in_pixels, int dots_per_inch)
    : size_(size_in_pixels), dots_per_inch_(dots_per_inch) {
    const int largest_side = std::max(size_.width(), size_.height());
    if (size_.width() < 1 || size_.height() < 1 || dots_per_inch < 1 ||
        dots_per_inch > kLargestUnitsPerInch || largest_side > kLargestCoordinate) {
        return;
    }
    units_per_pixel_ = std::min({kPreferredUnitsPerPixel, kLargestCoordinate / largest_side,
                                 kLargestUnitsPerInch / dots_per_inch});
    engine_ = std::make_unique<WmfPaintEngine>(size_, units_per_pixel_, dots_per_inch_);
}

WmfPaintDevice::~WmfPaintDevice() = default;

QByteArray WmfPaintDevice::Bytes() const {
    return engine_ ? engine_->Metafile() : QByteArray();
}

bool WmfPaintDevice::WriteTo(QIODevice& out) const {
    return engine_ && engine_->WriteMetafile(out);
}

QPaintEngine* WmfPaintDevice::paintEngine() const {
    return engine_.get();
}

int WmfPaintDevice::metric(PaintDeviceMetric metric) const {
    switch (metric) {
        case PdmWidth:
            return size_.width();
        case PdmHeight:
            return size_.height();
        case PdmWidthMM:
            return Millimetres(size_.width(), dots_per_inch_);
        case PdmHeightMM:
            return Millimetres(size_.height(), dots_per_inch_);
        case PdmNumColors:
            return 1 << 24;
        case PdmDepth:
            return 24;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return dots_per_inch_;
        case PdmDevicePixelRatio:
            return 1;
        default:
            return QPaintDevice::metric(metric);
    }
}

}  // namespace kelmor
