#pragma once

#include <QWidget>

#include "archive/survey.h"

class QLabel;
class QTableWidget;

namespace kelmor {

// Under the Archive panel's list, the site chosen there: its client and address, its
// duplicate pairs (two instruments side by side in one place) with the relative percent
// difference of their means over the common hours, and the share of its places with a
// duplicate, which a survey's quality control wants at about one place in ten.
class SiteSummary : public QWidget {
    Q_OBJECT

  public:
    explicit SiteSummary(QWidget* parent = nullptr);

    void Show(const SiteInfo& site, const SiteDuplicates& duplicates);
    // What could not be read of the site, in place of its figures.
    void ShowProblem(const QString& problem);

  private:
    QLabel* heading_ = nullptr;
    QLabel* share_ = nullptr;
    QTableWidget* pairs_ = nullptr;
};

}  // namespace kelmor
