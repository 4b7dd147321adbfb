#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QPaintDevice>
#include <QSize>
#include <memory>

namespace kelmor {

class WmfPaintEngine;

// A paint device that records a placeable Windows metafile (the 16-bit kind). Paint into it
// with a QPainter in pixels, as into a widget of that size, then take the file's bytes.
class WmfPaintDevice : public QPaintDevice {
  public:
    explicit WmfPaintDevice(QSize sizeInPixels, int dotsPerInch = 96);
    ~WmfPaintDevice() override;

    // False when the size or resolution cannot be expressed in 16-bit metafile units; such a
    // device has no paint engine, so a QPainter refuses to begin on it.
    bool IsValid() const { return engine_ != nullptr; }
    // Logical units per pixel: as many as fit (at most 15, i.e. 1440 per inch at 96 dpi), so
    // that positions keep a fraction of a pixel.
    int UnitsPerPixel() const { return unitsPerPixel; }
    // The metafile as painted so far; empty for an invalid device.
    QByteArray Bytes() const;
    // The same written to `out`; false for an invalid device or when `out` fails.
    bool WriteTo(QIODevice& out) const;

    QPaintEngine* paintEngine() const override;

  protected:
    int metric(PaintDeviceMetric metric) const override;

  private:
    QSize size_;
    int dotsPerInch;
    int unitsPerPixel = 0;
    std::unique_ptr<WmfPaintEngine> engine_;
};

}  // namespace kelmor
