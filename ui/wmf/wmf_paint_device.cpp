#include "wmf_paint_device.h"

#include <algorithm>

#include "wmf_paint_engine.h"

namespace kelmor {

namespace {

constexpr int kPreferredUnitsPerPixel = 15;
constexpr int kLargestCoordinate = 32000;  // leaves room below the 16-bit limit
constexpr int kLargestUnitsPerInch = 65535;

int Millimetres(int pixels, int dotsPerInch) {
    return dotsPerInch > 0 ? static_cast<int>(qint64{pixels} * 254 / (qint64{dotsPerInch} * 10))
                           : 0;
}

}  // namespace

WmfPaintDevice::WmfPaintDevice(QSize sizeInPixels, int dotsPerInch)
    : size_(sizeInPixels), dotsPerInch(dotsPerInch) {
    const int largestSide = std::max(size_.width(), size_.height());
    if (size_.width() < 1 || size_.height() < 1 || dotsPerInch < 1 ||
        dotsPerInch > kLargestUnitsPerInch || largestSide > kLargestCoordinate) {
        return;
    }
    unitsPerPixel = std::min({kPreferredUnitsPerPixel, kLargestCoordinate / largestSide,
                              kLargestUnitsPerInch / dotsPerInch});
    engine_ = std::make_unique<WmfPaintEngine>(size_, unitsPerPixel, dotsPerInch);
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
            return Millimetres(size_.width(), dotsPerInch);
        case PdmHeightMM:
            return Millimetres(size_.height(), dotsPerInch);
        case PdmNumColors:
            return 1 << 24;
        case PdmDepth:
            return 24;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return dotsPerInch;
        case PdmDevicePixelRatio:
            return 1;
        default:
            return QPaintDevice::metric(metric);
    }
}

}  // namespace kelmor
