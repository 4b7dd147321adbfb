// The report as its reader gets it: the PDF's pages and text read back with poppler's
// tools, and the file written as every other file is.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "chart/chart_sink.h"
#include "chart/kelmor_chart.h"
#include "pdf_text.h"
#include "report/radon_report.h"
#include "sample_data.h"
#include "summary/summary_panel.h"

namespace kelmor::testing {
namespace {

class Report : public ::testing::Test {
  protected:
    void SetUp() override {
        data = LoadSample("v7");
        chart.resize(900, 500);
        ChartSink sink(chart);
        DrawPulseDistribution(*data, kRow, OverlayChoice{}, sink);
        chart.SetTitleLines({QStringLiteral("Cellar, winter"), QStringLiteral("north wall")});
        chart.SetReferenceLevel(148);
        chart.RepaintNow();

        SummaryWorkspace workspace;
        content.chartTitle = chart.TitleText();
        content.fileName = QStringLiteral("kelmor-v7.Rn");
        content.model = QStringLiteral("V7");
        content.calibrationFactor = static_cast<double>(data->Header.CalibrationFactor);
        content.subject = QStringLiteral("15/07 08.00 TO 13/09 08.xx");
        content.summary = Summarise(*data, SummaryScope{kRow, {}}, 148.0, workspace);
        content.chart = &chart;
        content.made = QDateTime(QDate(2026, 12, 8), QTime(12, 0));
    }

    QString WritePdf() {
        const QString path = folder.filePath(QStringLiteral("report.pdf"));
        const FileWrite written = SaveReport(path, content);
        EXPECT_TRUE(written.ok) << written.error.toStdString();
        return path;
    }

    static constexpr int kRow = 3;  // 60 days in the summer of 2024
    std::unique_ptr<MeasurementData> data;
    KelmorChart chart;
    ReportContent content;
    QTemporaryDir folder;
};

TEST_F(Report, TwoA4PagesWithEverythingAHomeownerHandsOn) {
    if (!HavePoppler()) {
        GTEST_SKIP() << "pdftotext, pdfinfo, pdfimages (poppler-utils) are not installed";
    }
    const QString pdf = WritePdf();
    const ToolRun info = RunTool(QStringLiteral("pdfinfo"), {pdf});
    ASSERT_TRUE(info.ran);
    EXPECT_TRUE(info.out.contains(QRegularExpression(QStringLiteral("Pages:\\s+2\\n"))))
        << info.out.toStdString();
    EXPECT_TRUE(info.out.contains(QStringLiteral("pts (A4)"))) << info.out.toStdString();

    const ToolRun page1 = RunTool(QStringLiteral("pdftotext"),
                                  {QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"),
                                   QStringLiteral("1"), pdf, QStringLiteral("-")});
    ASSERT_TRUE(page1.ran);
    const QString mean = [this] {
        const QLocale c = QLocale::c();
        return c.toString(content.summary.meanBqm3, 'f', 0);
    }();
    for (const QString& expected : {
             QStringLiteral("Cellar, winter"),
             QStringLiteral("north wall"),
             QStringLiteral("File: kelmor-v7.Rn"),
             QStringLiteral("Kelmor V7"),
             QStringLiteral("calibration factor %1 Bq/m3 per pulse")
                 .arg(content.calibrationFactor, 0, 'f', 2),
             QStringLiteral("Summary of: 15/07 08.00 TO 13/09 08.xx"),
             QStringLiteral("Hourly samples"),
             QStringLiteral("Mean"),
             QStringLiteral("pCi/L"),
             QStringLiteral("Highest 24-hour mean"),
             QStringLiteral("Kelmor Desktop " KELMOR_VERSION),
             QStringLiteral("2026-12-08 12:00"),
             // The chart's own texts: drawn as text, not as a picture of it.
             QStringLiteral("Temp/RH/Press"),
             QStringLiteral("Reference level 148 Bq/m3"),
         }) {
        EXPECT_TRUE(page1.out.contains(expected)) << expected.toStdString();
    }
    EXPECT_TRUE(page1.out.contains(mean)) << mean.toStdString();

    const ToolRun page2 = RunTool(QStringLiteral("pdftotext"),
                                  {QStringLiteral("-f"), QStringLiteral("2"), QStringLiteral("-l"),
                                   QStringLiteral("2"), pdf, QStringLiteral("-")});
    ASSERT_TRUE(page2.ran);
    for (const QString& expected : {
             QStringLiteral("Mean by hour of day"),
             QStringLiteral("Compared with the reference level"),
             QStringLiteral("short-term measurement"),
             QStringLiteral("2013/59/Euratom"),
             QStringLiteral("Kelmor Desktop " KELMOR_VERSION),
             QStringLiteral("page 2"),
         }) {
        EXPECT_TRUE(page2.out.contains(expected)) << expected.toStdString();
    }

    // Vector drawing throughout: no bitmap in the file.
    const ToolRun images = RunTool(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf});
    ASSERT_TRUE(images.ran);
    EXPECT_EQ(images.out.trimmed().count(QLatin1Char('\n')), 1) << images.out.toStdString();
}

TEST_F(Report, AFailedWriteNamesTheFileAndLeavesWhatWasThere) {
    const QString missing = folder.filePath(QStringLiteral("no/such/folder/report.pdf"));
    FileWrite written = SaveReport(missing, content);
    EXPECT_FALSE(written.ok);
    EXPECT_TRUE(written.error.contains(QStringLiteral("report.pdf")))
        << written.error.toStdString();
    EXPECT_FALSE(QFile::exists(missing));

    // A folder in the file's place stays a folder.
    const QString taken = folder.filePath(QStringLiteral("taken.pdf"));
    ASSERT_TRUE(QDir().mkdir(taken));
    written = SaveReport(taken, content);
    EXPECT_FALSE(written.ok);
    EXPECT_TRUE(written.error.contains(QStringLiteral("taken.pdf")));
    EXPECT_TRUE(QFileInfo(taken).isDir());

    // A good write gives a PDF.
    QFile pdf(WritePdf());
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_EQ(pdf.read(5), QByteArray("%PDF-"));
}

TEST_F(Report, AnEmptyRangeStillMakesAReport) {
    if (!HavePoppler()) {
        GTEST_SKIP() << "poppler-utils is not installed";
    }
    content.summary = MeasurementSummary();
    content.chart = nullptr;
    content.chartTitle.clear();
    const QString pdf = WritePdf();
    const ToolRun text = RunTool(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    ASSERT_TRUE(text.ran);
    EXPECT_TRUE(text.out.contains(QStringLiteral("Radon measurement")));
    EXPECT_TRUE(text.out.contains(QStringLiteral("No sample to summarise.")));
}

}  // namespace
}  // namespace kelmor::testing
