#include "site_report_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "data/reference_level.h"

namespace kelmor {

namespace {

constexpr double kTyped = -1;  // the item data of "Other value"

}  // namespace

SiteReportDialog::SiteReportDialog(const QString& site, const QString& pdfPath,
                                   std::optional<double> referenceLevelBqm3, bool withCsv,
                                   QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("siteReportDialog"));
    setWindowTitle(QStringLiteral("Site report of %1").arg(site));

    auto* file =
        new QLabel(QStringLiteral("The report: %1").arg(QDir::toNativeSeparators(pdfPath)), this);
    file->setObjectName(QStringLiteral("siteReportFile"));
    file->setWordWrap(true);

    level_ = new QComboBox(this);
    level_->setObjectName(QStringLiteral("siteReportLevel"));
    level_->setAccessibleName(QStringLiteral("Reference level"));
    level_->setToolTip(
        QStringLiteral("The level the report compares each place with; its "
                       "cover page names it"));
    level_->view()->setAccessibleName(QStringLiteral("Reference levels"));
    int chosen = -1;
    for (const ReferenceLevelPreset& preset : ReferenceLevelPresets()) {
        if (referenceLevelBqm3 && *referenceLevelBqm3 == preset.bqm3) {
            chosen = level_->count();
        }
        level_->addItem(QLatin1String(preset.menuText), preset.bqm3);
        level_->setItemData(level_->count() - 1, QString::fromUtf8(preset.source), Qt::ToolTipRole);
    }
    level_->addItem(QStringLiteral("Other value"), kTyped);
    if (referenceLevelBqm3 && chosen < 0) {
        chosen = level_->count() - 1;
    }
    level_->setCurrentIndex(chosen);
    level_->setPlaceholderText(QStringLiteral("Choose a reference level"));

    typedLevel_ = new QDoubleSpinBox(this);
    typedLevel_->setObjectName(QStringLiteral("siteReportTypedLevel"));
    typedLevel_->setAccessibleName(QStringLiteral("Other reference level"));
    typedLevel_->setRange(kLowestReferenceLevel, kHighestReferenceLevel);
    typedLevel_->setDecimals(0);
    typedLevel_->setSuffix(QStringLiteral(" Bq/m3"));
    typedLevel_->setValue(referenceLevelBqm3.value_or(200));
    typedLevel_->setToolTip(QStringLiteral("The level your national authority gives"));

    const QString csvPath = CsvPathFor(pdfPath);
    QString csvText =
        QStringLiteral("Also write the &hourly data as CSV: %1").arg(QFileInfo(csvPath).fileName());
    if (QFileInfo::exists(csvPath)) {
        csvText += QStringLiteral(" (replaces the file there)");
    }
    csv_ = new QCheckBox(csvText, this);
    csv_->setObjectName(QStringLiteral("siteReportCsvChoice"));
    csv_->setChecked(withCsv);
    csv_->setToolTip(
        QStringLiteral("Every hourly sample of the site's places, for the client's "
                       "spreadsheet, beside the PDF"));

    auto* levelRow = new QHBoxLayout;
    levelRow->addWidget(level_, 1);
    levelRow->addWidget(typedLevel_);
    auto* form = new QFormLayout;
    auto* levelLabel = new QLabel(QStringLiteral("&Reference level:"), this);
    levelLabel->setBuddy(level_);
    form->addRow(levelLabel, levelRow);

    buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons_->button(QDialogButtonBox::Ok)->setText(QStringLiteral("&Write report"));
    buttons_->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("siteReportOkButton"));
    buttons_->button(QDialogButtonBox::Cancel)
        ->setObjectName(QStringLiteral("siteReportCancelButton"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(file);
    layout->addLayout(form);
    layout->addWidget(csv_);
    layout->addWidget(buttons_);
    setMinimumWidth(480);

    connect(level_, &QComboBox::currentIndexChanged, this, &SiteReportDialog::UpdateControls);
    connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
    UpdateControls();
}

double SiteReportDialog::ReferenceLevelBqm3() const {
    const double item = level_->currentData().toDouble();
    return item == kTyped ? typedLevel_->value() : item;
}

bool SiteReportDialog::WithCsv() const {
    return csv_->isChecked();
}

QString SiteReportDialog::CsvPathFor(const QString& pdfPath) {
    const QFileInfo pdf(pdfPath);
    // Never the PDF's own name, whatever it ends in.
    if (pdf.suffix().compare(QStringLiteral("pdf"), Qt::CaseInsensitive) != 0) {
        return pdfPath + QStringLiteral(".csv");
    }
    return pdf.dir().filePath(pdf.completeBaseName() + QStringLiteral(".csv"));
}

void SiteReportDialog::UpdateControls() {
    typedLevel_->setEnabled(level_->currentIndex() >= 0 && level_->currentData() == kTyped);
    buttons_->button(QDialogButtonBox::Ok)->setEnabled(level_->currentIndex() >= 0);
}

}  // namespace kelmor
