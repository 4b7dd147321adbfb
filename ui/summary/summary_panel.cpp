#include "summary_panel.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QShortcut>
#include <QTableWidget>
#include <QVBoxLayout>

#include "data/summary_text.h"
#include "hour_profile_chart.h"

namespace kelmor {

namespace {

const QString kNothingChosen = QStringLiteral("No measurement chosen");

QTableWidgetItem* ReadOnlyItem(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

}  // namespace

QString SummarySubject(const QString& subject, const SummaryScope& scope) {
    if (!scope.range) {
        return subject;
    }
    return subject +
           QStringLiteral("\nZoomed: %1 to %2")
               .arg(FormatSummaryTime(scope.range->from), FormatSummaryTime(scope.range->to));
}

SummaryPanel::SummaryPanel(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("summaryPanel"));
    subject_ = new QLabel(this);
    subject_->setObjectName(QStringLiteral("summarySubject"));
    subject_->setWordWrap(true);
    QFont bold = subject_->font();
    bold.setBold(true);
    subject_->setFont(bold);

    figures_ = new QTableWidget(0, 2, this);
    figures_->setObjectName(QStringLiteral("summaryFigures"));
    figures_->setAccessibleName(QStringLiteral("Summary figures"));
    figures_->setHorizontalHeaderLabels({QStringLiteral("Figure"), QStringLiteral("Value")});
    figures_->verticalHeader()->hide();
    figures_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    figures_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    figures_->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    figures_->setWordWrap(true);
    figures_->setSelectionBehavior(QAbstractItemView::SelectRows);
    figures_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    figures_->setTabKeyNavigation(false);  // Tab leaves the table for the next control
    auto* copy = new QShortcut(QKeySequence::Copy, figures_, this, &SummaryPanel::CopyFigures);
    copy->setContext(Qt::WidgetShortcut);

    sentence_ = new QLabel(this);
    sentence_->setObjectName(QStringLiteral("summarySentence"));
    sentence_->setWordWrap(true);
    sentence_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    sentence_->setFocusPolicy(Qt::StrongFocus);

    annual_ = new QLabel(this);
    annual_->setObjectName(QStringLiteral("summaryAnnual"));
    annual_->setAccessibleName(QStringLiteral("Annual average"));
    annual_->setWordWrap(true);
    annual_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    annual_->setFocusPolicy(Qt::StrongFocus);

    profile_ = new HourProfileChart(this);
    profile_->setObjectName(QStringLiteral("summaryProfile"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(subject_);
    layout->addWidget(figures_, 3);
    layout->addWidget(sentence_);
    layout->addWidget(annual_);
    layout->addWidget(profile_, 2);

    setFocusProxy(figures_);
    setTabOrder(figures_, sentence_);
    setTabOrder(sentence_, annual_);
    Clear();
}

void SummaryPanel::SetShown(const MeasurementData& data, const SummaryScope& scope,
                            std::optional<double> referenceBqm3, const QString& subject) {
    summary_ = Summarise(data, scope, referenceBqm3, workspace_);
    hasSummary_ = true;
    subject_->setText(SummarySubject(subject, scope));
    ShowFigures();
}

void SummaryPanel::Clear() {
    summary_ = MeasurementSummary();
    hasSummary_ = false;
    subject_->setText(kNothingChosen);
    figures_->setRowCount(0);
    figures_->hide();
    sentence_->clear();
    sentence_->hide();
    SetAnnual({});
    profile_->hide();
}

void SummaryPanel::CopyFigures() {
    QStringList lines;
    for (int r = 0; r < figures_->rowCount(); ++r) {
        if (figures_->item(r, 0)->isSelected()) {
            lines << figures_->item(r, 0)->text() + QLatin1Char('\t') +
                         figures_->item(r, 1)->text();
        }
    }
    if (!lines.isEmpty()) {
        QApplication::clipboard()->setText(lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
    }
}

void SummaryPanel::SetAnnual(const QStringList& lines) {
    annual_->setText(lines.join(QLatin1Char('\n')));
    annual_->setVisible(!lines.isEmpty());
}

QString SummaryPanel::Subject() const {
    return hasSummary_ ? subject_->text() : QString();
}

void SummaryPanel::ShowFigures() {
    const QLocale locale;
    const std::vector<SummaryRow> rows = SummaryRows(summary_, locale);
    figures_->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        figures_->setItem(r, 0, ReadOnlyItem(rows[static_cast<std::size_t>(r)].label));
        figures_->setItem(r, 1, ReadOnlyItem(rows[static_cast<std::size_t>(r)].value));
    }
    figures_->show();

    const QString sentence = summary_.samples == 0 ? QStringLiteral("No sample to summarise.")
                                                   : ReferenceSentence(summary_, locale);
    sentence_->setText(sentence);
    sentence_->setVisible(!sentence.isEmpty());

    profile_->SetProfile(
        summary_.hourlyProfileBqm3,
        summary_.reference ? std::optional<double>(summary_.reference->levelBqm3) : std::nullopt);
    profile_->setVisible(summary_.samples > 0);
}

}  // namespace kelmor
