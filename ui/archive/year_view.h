#pragma once

#include <QWidget>
#include <optional>

#include "archive/annual_average.h"

class QCustomPlot;
class QLabel;
class QTableWidget;

namespace kelmor {

// The year view of a place: the mean of every calendar month as a bar, pale where less
// than half of the month was measured, the running 365-day mean as a line, the reference
// level when one is chosen, and below them the annual average or how far the place is
// from one, with a table of the months.
class YearView : public QWidget {
    Q_OBJECT

  public:
    explicit YearView(QWidget* parent = nullptr);

    void SetShown(const QString& place, const AnnualAverage& annual,
                  std::optional<double> referenceBqm3);

    // What the view says in words: the annual average or why there is none.
    QString Verdict() const;

  private:
    QCustomPlot* plot_ = nullptr;
    QLabel* verdict_ = nullptr;
    QTableWidget* months_ = nullptr;
};

}  // namespace kelmor
