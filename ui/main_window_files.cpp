// Opening and saving data files, the exports and printing.
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPageLayout>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>

#include "data/data_file.h"
#include "data/image_loader.h"
#include "data/text_export.h"
#include "desktop_dialogs.h"
#include "link/clock.h"
#include "main_window.h"
#include "ui/chart/kelmor_chart.h"

namespace kelmor {

namespace {

const QString kDefaultFileName = QStringLiteral("RnData");

enum SaveFormat { kDataFile = 1, kBitmap = 2, kMetafile = 3, kText = 4 };

const QStringList kSaveFilters = {
    QStringLiteral("Rn Data File (*.Rn)"),
    QStringLiteral("Bmp Graphics (*.Bmp)"),
    QStringLiteral("Wmf Graphics (*.Wmf)"),
    QStringLiteral("Text (.txt) (*.txt)"),
};
const QStringList kSuffixes = {QStringLiteral("Rn"), QStringLiteral("Bmp"), QStringLiteral("Wmf"),
                               QStringLiteral("txt")};

}  // namespace

void MainWindow::OpenFile() {
    state_.chartShown = false;
    state_.readOutArmed = false;  // until the next discovery pass
    state_.replacingImage = true;
    ApplyWindowState();

    QFileDialog dialog(this, QStringLiteral("Open"));
    dialog.setObjectName(QStringLiteral("openDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(kSaveFilters[0]);
    dialog.setDefaultSuffix(kSuffixes[0]);
    dialog.selectFile(lastFileName_.isEmpty() ? kDefaultFileName : lastFileName_);
    if (dialogs_->ExecFile(dialog) && !dialog.selectedFiles().isEmpty()) {
        lastFileName_ = dialog.selectedFiles().front();
        OpenDataFile(lastFileName_);
    }
    // Whatever came of it, nothing is being replaced any more: a cancelled or failed open
    // leaves the image and its climate items as they were.
    state_.replacingImage = false;
    ApplyWindowState();
}

bool MainWindow::OpenDataFile(const QString& path) {
    const DataFileRead read = ReadDataFile(path, *staging_);
    if (!read.ok) {
        ShowError(read.error);
        return false;
    }
    SetCaptionFromPath(path);
    chosenFormat_ = kDataFile;
    imageSource_ = QFileInfo(path).fileName();
    DecodeLoaded(staging_->data(), read.model);
    // Kept as read, for Add to archive: the image buffer keeps what a larger image left
    // beyond this one's size.
    openedImage_ =
        QByteArray(reinterpret_cast<const char*>(staging_->data()), LayoutOf(read.model).imageSize);
    openedPath_ = path;
    state_.openedFileArchivable = data_->MeasurementCount > 0;
    ApplyWindowState();
    return true;
}

void MainWindow::DecodeLoaded(const std::uint8_t* imageBytes, Model model) {
    ForgetMeasurements(model);
    DecodeContext context;
    context.now = DateTimeFromQt(clock_->LocalNow());
    context.separators = Separators::FromSystemLocale();
    const DecodeOutcome outcome = LoadImage(*data_, imageBytes, model, context);
    state_.showingArchive = false;
    state_.openedFileArchivable = false;
    shownPlace_.clear();
    ListMeasurements(outcome);
    WriteTemporaryFiles(model != Model::V5);
}

void MainWindow::ForgetMeasurements(Model model) {
    measurementList_->clear();
    measurementList_->setEditText(QStringLiteral("Select Measurement"));
    state_.chosenMeasurement = -1;
    state_.allMeasurementsChosen = false;
    state_.climateRecorded = false;
    if (model == Model::V5) {
        // A V5 records no climate: a check mark left from an earlier image would draw a
        // temperature and humidity of 0, and the disabled items could not take it away.
        state_.overlays.temperature = false;
        state_.overlays.humidity = false;
    }
    ApplyWindowState();
}

void MainWindow::ListMeasurements(const DecodeOutcome& outcome) {
    state_.replacingImage = false;
    if (outcome.measurementsFound) {
        measurementList_->addItems(outcome.listItems);
        measurementList_->setCurrentIndex(-1);  // adding items selected the first
        measurementList_->setEditText(QStringLiteral("Select Measurement"));
        state_.view = ChartView::PulseDistribution;
        state_.measurementsLoaded = true;
        state_.climateRecorded = outcome.climateItemsEnabled;
        ApplyWindowState();
        pulseErrorCheckBox_->setChecked(false);
        pulseErrorCheckBox_->setChecked(true);
        ClearViewSeries();
        chart_->PressureSeries()->Clear();  // nor a pressure of the earlier image
    } else {
        ApplyWindowState();
        QMessageBox box(QMessageBox::Critical, windowTitle(), outcome.message, QMessageBox::Ok,
                        this);
        ShowMessage(box);
    }
    ShowAssessment();
}

QString MainWindow::WorkingFile(const QString& name) const {
    return QDir(workingFolder_).filePath(name);
}

void MainWindow::WriteTemporaryFiles(bool withMemo) {
    QStringList failures;
    const QByteArray sampleList =
        SampleListText(*data_, Separators::FromSystemLocale(), QLatin1String("\r\n")).toUtf8();
    const FileWrite samples = WriteFileSafely(WorkingFile(QStringLiteral("v5dat.tmp")),
                                              sampleList.constData(), sampleList.size());
    if (!samples.ok) {
        failures << samples.error;
    }
    if (withMemo) {
        const QByteArray memo = (data_->Memo + QStringLiteral("\r\n")).toUtf8();
        const FileWrite debug = WriteFileSafely(WorkingFile(QStringLiteral("debug.tmp")),
                                                memo.constData(), memo.size());
        if (!debug.ok) {
            failures << debug.error;
        }
    }
    if (!failures.isEmpty()) {
        ShowError(failures.join(QLatin1Char('\n')) +
                  QStringLiteral("\nThe measurements were read and are shown all the same."));
    }
}

void MainWindow::Save() {
    QFileDialog dialog(this, QStringLiteral("Save"));
    dialog.setObjectName(QStringLiteral("saveDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters(kSaveFilters);
    // The format chosen last is program state beside the last file name: a text export
    // saved again stays text, and its name is never offered for the image.
    const int lastFormat =
        chosenFormat_ >= kDataFile && chosenFormat_ <= kText ? chosenFormat_ : kDataFile;
    dialog.selectNameFilter(kSaveFilters[lastFormat - 1]);
    dialog.setDefaultSuffix(kSuffixes[lastFormat - 1]);
    connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& filter) {
        dialog.setDefaultSuffix(
            kSuffixes.value(static_cast<int>(kSaveFilters.indexOf(filter)), kSuffixes[0]));
    });
    dialog.selectFile(lastFileName_.isEmpty() ? kDefaultFileName : lastFileName_);
    if (!dialogs_->ExecFile(dialog) || dialog.selectedFiles().isEmpty()) {
        return;
    }
    const QString path = dialog.selectedFiles().front();
    lastFileName_ = path;
    chosenFormat_ = static_cast<int>(kSaveFilters.indexOf(dialog.selectedNameFilter())) + 1;
    if (chosenFormat_ < kDataFile) {
        chosenFormat_ = kDataFile;
    }
    SetCaptionFromPath(path);

    FileWrite written;
    switch (chosenFormat_) {
        case kDataFile:
            if (state_.showingArchive) {
                // A place merges runs of several read-outs: it has no memory image to save.
                written.error =
                    QStringLiteral(
                        "%1 was not written: the chart shows samples of the archive, which are "
                        "no data file of the Kelmor. Save them as text or export them as CSV "
                        "(Archive > Export CSV...).")
                        .arg(QDir::toNativeSeparators(path));
            } else {
                written = SaveDataFile(path, *data_);
            }
            break;
        case kBitmap:
            written.ok = chart_->SaveBitmap(path, written.error);
            break;
        case kMetafile:
            written.ok = chart_->SaveMetafile(path, written.error);
            break;
        default: {
            const QByteArray text = ExportText(*data_, Separators::FromSystemLocale());
            written = WriteFileSafely(path, text.constData(), text.size());
            break;
        }
    }
    if (!written.ok) {
        ShowError(written.error);
    }
}

QPrinter& MainWindow::Printer() {
    // One printer for the run: the next print starts from the user's last choice.
    if (!printer_) {
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    }
    return *printer_;
}

void MainWindow::Print() {
    QPrinter& printer = Printer();
    QPrintDialog dialog(&printer, this);
    dialog.setObjectName(QStringLiteral("printDialog"));
    if (!dialogs_->ExecPrint(dialog)) {
        return;
    }
    // 5 per cent of the page on each of the four sides.
    QString error;
    if (!chart_->PrintLandscape(printer, 0.05, error)) {
        ShowError(error);
    }
}

}  // namespace kelmor
