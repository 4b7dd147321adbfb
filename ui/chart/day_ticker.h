#pragma once

#include <QString>

#include "banded_ticker.h"

namespace kelmor {

// Ticks for an axis whose keys are DateTime days (days since 30 December 1899, local wall
// clock). Steps are whole fractions of a day or whole days, never below half an hour, so
// labels fall on the hour; one minor tick between labels.
class DayTicker : public BandedTicker {
  public:
    static constexpr double kSmallestStep = 1.0 / 48;

    // A QDateTime format, e.g. "dd/MM hh".
    void SetFormat(const QString& format) { format_ = format; }
    QString Format() const { return format_; }

  protected:
    double getTickStep(const QCPRange& range) override;
    int getSubTickCount(double tickStep) override;
    QString getTickLabel(double tick, const QLocale& locale, QChar formatChar,
                         int precision) override;

  private:
    QString format_ = QStringLiteral("dd/MM hh");
};

}  // namespace kelmor
