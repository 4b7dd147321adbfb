#include "site_summary.h"

#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QTableWidget>
#include <QVBoxLayout>

#include "ui/archive/counted.h"

namespace kelmor {

namespace {

enum PairColumn { kPlace, kInstruments, kCommonHours, kMeans, kDifference, kPairColumns };

QString Mean(double bqm3) {
    return QString::number(bqm3, 'f', 0);
}

// "places with a duplicate: 1 of 3 (33 %).", with a note where fewer than one in ten have.
QString DuplicateShare(const SiteDuplicates& duplicates) {
    if (duplicates.places == 0) {
        return QStringLiteral("no place of the site has a run yet.");
    }
    QString text = QStringLiteral("places with a duplicate: %1 of %2 (%3 %)")
                       .arg(duplicates.placesWithDuplicate)
                       .arg(duplicates.places)
                       .arg(QLocale().toString(
                           100.0 * duplicates.placesWithDuplicate / duplicates.places, 'f', 0));
    // Quality control asks for duplicates at about one place in ten.
    if (duplicates.placesWithDuplicate * 10 < duplicates.places) {
        text += QStringLiteral(", fewer than one in ten");
    }
    return text + QLatin1Char('.');
}

}  // namespace

SiteSummary::SiteSummary(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("siteSummary"));

    heading_ = new QLabel(this);
    heading_->setObjectName(QStringLiteral("siteHeading"));
    heading_->setWordWrap(true);
    heading_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    share_ = new QLabel(this);
    share_->setObjectName(QStringLiteral("duplicateShare"));
    share_->setWordWrap(true);
    share_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    pairs_ = new QTableWidget(0, kPairColumns, this);
    pairs_->setObjectName(QStringLiteral("duplicateTable"));
    pairs_->setAccessibleName(QStringLiteral("Duplicate pairs"));
    pairs_->setAccessibleDescription(
        QStringLiteral("Two instruments in one place over the same hours: their means over the "
                       "common hours and the relative percent difference"));
    pairs_->setHorizontalHeaderLabels(
        {QStringLiteral("Place"), QStringLiteral("Instruments"), QStringLiteral("Common hours"),
         QStringLiteral("Means Bq/m3"), QStringLiteral("Difference %")});
    pairs_->horizontalHeaderItem(kDifference)
        ->setToolTip(QStringLiteral("Relative percent difference: |a - b| / ((a + b) / 2) x 100"));
    pairs_->verticalHeader()->hide();
    pairs_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    pairs_->setSelectionBehavior(QAbstractItemView::SelectRows);
    pairs_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    pairs_->horizontalHeader()->setStretchLastSection(true);
    pairs_->setMaximumHeight(120);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(heading_);
    layout->addWidget(share_);
    layout->addWidget(pairs_);
}

void SiteSummary::Show(const SiteInfo& site, const SiteDuplicates& duplicates) {
    QStringList about;
    if (!site.client.isEmpty()) {
        about << QStringLiteral("client %1").arg(site.client);
    }
    if (!site.address.isEmpty()) {
        about << QString(site.address).replace(QLatin1Char('\n'), QStringLiteral(", "));
    }
    heading_->setText(
        about.isEmpty()
            ? QStringLiteral("Site %1").arg(site.name)
            : QStringLiteral("Site %1: %2").arg(site.name, about.join(QStringLiteral("; "))));
    share_->setText(QStringLiteral("Duplicates: %1; %2")
                        .arg(Counted(static_cast<int>(duplicates.pairs.size()), "pair", "pairs"),
                             DuplicateShare(duplicates)));
    pairs_->setRowCount(static_cast<int>(duplicates.pairs.size()));
    const QLocale locale;
    for (int row = 0; row < duplicates.pairs.size(); ++row) {
        const DuplicatePair& pair = duplicates.pairs.at(row);
        const QStringList texts = {
            pair.place,
            QStringLiteral("%1 / %2").arg(pair.first.serial, pair.second.serial),
            QString::number(pair.commonHours),
            QStringLiteral("%1 / %2").arg(Mean(pair.firstMeanBqm3), Mean(pair.secondMeanBqm3)),
            locale.toString(pair.relativePercentDifference, 'f', 1),
        };
        for (int column = 0; column < kPairColumns; ++column) {
            auto* item = new QTableWidgetItem(texts.at(column));
            item->setToolTip(QStringLiteral("Runs of %1 and %2 started %3 and %4")
                                 .arg(pair.first.serial, pair.second.serial,
                                      FormatRunStart(pair.first.startMinutes),
                                      FormatRunStart(pair.second.startMinutes)));
            if (column >= kCommonHours) {
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            }
            pairs_->setItem(row, column, item);
        }
    }
    pairs_->setVisible(!duplicates.pairs.isEmpty());
}

void SiteSummary::ShowProblem(const QString& problem) {
    heading_->setText(problem);
    share_->clear();
    pairs_->setRowCount(0);
    pairs_->hide();
}

}  // namespace kelmor
