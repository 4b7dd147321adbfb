#pragma once

#include <qcustomplot.h>

namespace kelmor {

// Puts ticks, grid lines and labels only over the band of the axis that the data occupies
// (see AxisBand), not over the padding around it.
class BandedTicker : public QCPAxisTicker {
  public:
    void SetBand(const QCPRange& band) {
        band_ = band;
        hasBand_ = true;
    }
    // An axis without data gets no ticks.
    void ClearBand() { hasBand_ = false; }
    bool HasBand() const { return hasBand_; }
    QCPRange Band() const { return band_; }

    void generate(const QCPRange& range, const QLocale& locale, QChar formatChar, int precision,
                  QVector<double>& ticks, QVector<double>* subTicks,
                  QVector<QString>* tickLabels) override;

  private:
    QCPRange band_{0, 1};
    bool hasBand_ = false;
};

}  // namespace kelmor
