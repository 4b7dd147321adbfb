// The site report as the client reads it, made from a surveyed building in a real archive
// file: its text read back with poppler's tools, and its two files written as every other
// file is, also on a disk that fills up part-way.
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "full_disk_gtest.h"
#include "pdf_text.h"
#include "report/site_report.h"
#include "survey_scenario.h"

namespace kelmor::testing {
namespace {

using S = SurveyScenario;

// The scenario's figures as the report must give them (an error below 10 Bq/m3 with a
// decimal), as a reader reads each place's row: place, start, hours covered, mean +- error
// in Bq/m3 and pCi/L, hours above the reference level. Basement: 96 samples, 4420 pulses
// (2 x 100 + 46 x 50 + 48 x 40), mean 266.25 +- 266.25 / sqrt(4420) = 4.0 Bq/m3, 7.20 +-
// 0.11 pCi/L, 50 hours covered (10:00 on the 5th to 12:00 on the 7th). Bedroom: 72 x 30
// pulses, 165 +- 3.6 Bq/m3, 4.46 +- 0.10 pCi/L. Living room: 72 x 20 pulses, 120 +- 3.2
// Bq/m3, 3.24 +- 0.09 pCi/L.
const QStringList kPlaceRows = {
    QStringLiteral("Basement 2026-01-05 10:00 50 266 \u00B1 4.0 7.2 \u00B1 0.1 50.0 %"),
    QStringLiteral("Bedroom 2026-01-08 10:00 72 165 \u00B1 3.6 4.5 \u00B1 0.1 0.0 %"),
    QStringLiteral("Living room 2026-01-08 10:00 72 120 \u00B1 3.2 3.2 \u00B1 0.1 0.0 %"),
};
// Only SN-A's 48 basement hours lie above 250 Bq/m3: half of the basement's samples.
constexpr double kReference = 250;

class SiteReport : public ::testing::Test {
  protected:
    void SetUp() override {
        const QString built = BuildSurveyScenario(ArchivePath());
        ASSERT_TRUE(built.isEmpty()) << qPrintable(built);
        OpenResult opened = Archive::Open(ArchivePath(), {OpenMode::ReadWrite, 2000});
        ASSERT_TRUE(opened.archive) << qPrintable(opened.error);
        archive = std::move(opened.archive);
        request.site = S::Site();
        request.pdfPath = out.filePath(QStringLiteral("report.pdf"));
        request.csvPath = out.filePath(QStringLiteral("hourly.csv"));
        request.referenceLevelBqm3 = kReference;
        request.made = QDateTime(QDate(2026, 12, 8), QTime(12, 0));
    }

    QString ArchivePath() const { return db.filePath(QStringLiteral("archive.sqlite")); }

    // Every page's text, which must end with the program, its version, the date and its
    // number; its lines joined and its ligatures spelt out, as a reader reads it.
    QStringList Pages(const QString& pdf) {
        const ToolRun info = RunTool(QStringLiteral("pdfinfo"), {pdf});
        const QRegularExpressionMatch pages =
            QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(info.out);
        EXPECT_TRUE(pages.hasMatch()) << qPrintable(info.out);
        QStringList texts;
        for (int page = 1; page <= pages.captured(1).toInt(); ++page) {
            const QString text = PdfText(pdf, page).out;
            EXPECT_TRUE(text.contains(QStringLiteral("Kelmor Desktop " KELMOR_VERSION
                                                     " - site report made 2026-12-08 12:00")))
                << page;
            EXPECT_TRUE(text.contains(QStringLiteral("page %1").arg(page))) << page;
            texts << text.normalized(QString::NormalizationForm_KC).simplified() + QLatin1Char(' ');
        }
        return texts;
    }

    QTemporaryDir db;
    QTemporaryDir out;
    std::unique_ptr<Archive> archive;
    SiteReportRequest request;
};

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST_F(SiteReport, EachPlaceOnItsOwnWithItsInstrumentsDuplicatesAndDeviations) {
    if (!HavePoppler()) {
        GTEST_SKIP() << "pdftotext and pdfinfo (poppler-utils) are not installed";
    }
    const FileWrite written = SaveSiteReport(*archive, request);
    ASSERT_TRUE(written.ok) << qPrintable(written.error);
    const QStringList pages = Pages(request.pdfPath);
    ASSERT_GE(pages.size(), 3);
    const QString all = pages.join(QString());
    // The charts come last; their axes carry numbers of their own.
    const QString text = all.left(all.indexOf(QStringLiteral("The places' hourly concentrations")));

    QStringList expected = {
        S::Site(),
        S::Client(),
        S::Address(),
        S::TesterA() + ", " + S::TesterB(),
        QStringLiteral("2026-01-05 10:00 to 2026-01-11 10:00"),
        QStringLiteral("250 Bq/m3 (6.8 pCi/L)"),
        QStringLiteral("places are not averaged together"),
        QStringLiteral("The highest mean was measured in: Basement (266 \u00B1 4.0 Bq/m3, 7.2 "
                       "\u00B1 0.1 pCi/L)."),
        QStringLiteral("Hours above 250 Bq/m3"),
        QStringLiteral("SN-A, run from 2026-01-05 10:00: Kelmor V7, calibration factor 6.00"),
        QStringLiteral("SN-B, run from 2026-01-05 12:00: Kelmor V5, calibration factor 5.50"),
        QStringLiteral("last calibration 2025-06-01"),
        QStringLiteral("Warning: calibration overdue: instrument SN-B was last calibrated on "
                       "2024-11-30"),
        QStringLiteral("Annual average: none yet"),
        // The duplicate pair: common hours, both means, their relative difference.
        QStringLiteral("Basement SN-A SN-B 46 run from run from 2026-01-05 10:00 2026-01-05 12:00 "
                       "300 Bq/m3 8.1 pCi/L 220 Bq/m3 5.9 pCi/L 30.8 %"),
        QStringLiteral("1 of 3 places (33.3 %)"),
        S::Deviation(),
        QStringLiteral("deployed 2026-01-05 09:30"),
        QStringLiteral("Basement, north wall, 1.0 m high"),
    };
    for (const QString& line : expected + kPlaceRows) {
        EXPECT_TRUE(text.contains(line)) << qPrintable(line);
    }
    // SN-A was calibrated within the year: the only warning is SN-B's, once per run.
    EXPECT_EQ(text.count(QStringLiteral("Warning: calibration overdue")), 2);
    EXPECT_FALSE(text.contains(QStringLiteral("SN-A was last calibrated")));

    // No mean of the building: every mean given is one of a place's. The mean of all the
    // site's hours would be 192 Bq/m3 (5.2 pCi/L), the mean of the places' means 184 (5.0).
    const QStringList means = {QStringLiteral("266"), QStringLiteral("120"), QStringLiteral("165"),
                               QStringLiteral("7.2"), QStringLiteral("3.2"), QStringLiteral("4.5")};
    QRegularExpressionMatchIterator each =
        QRegularExpression(QStringLiteral("([0-9.]+) \u00B1")).globalMatch(text);
    int found = 0;
    while (each.hasNext()) {
        const QString mean = each.next().captured(1);
        EXPECT_TRUE(means.contains(mean)) << qPrintable(mean);
        ++found;
    }
    EXPECT_GE(found, 8);
    for (const char* building : {"192", "184", "5.2", "5.0"}) {
        const QString word = QRegularExpression::escape(QLatin1String(building));
        EXPECT_FALSE(text.contains(QRegularExpression(QStringLiteral("\\b%1\\b").arg(word))))
            << building;
    }
    // A chart per place, named by it, after the tables, each with its axis title inside the
    // page's margin of 15 mm (42.5 points).
    const QString charts = all.mid(text.size());
    for (const QString& place : {S::Basement(), S::Bedroom(), S::LivingRoom()}) {
        EXPECT_TRUE(charts.contains(place)) << qPrintable(place);
    }
    int axisTitles = 0;
    for (int page = 1; page <= pages.size(); ++page) {
        for (const QRectF& box : WordBoxes(request.pdfPath, page, QStringLiteral("Bq/m3"))) {
            if (box.height() > box.width()) {
                EXPECT_GT(box.left(), 42) << page;
                ++axisTitles;
            }
        }
    }
    EXPECT_EQ(axisTitles, 3);

    // The site's hourly data beside it: every sample of its three places, with the site.
    const QList<QByteArray> rows = ReadAll(request.csvPath).split('\n');
    ASSERT_EQ(rows.size(), 1 + 96 + 72 + 72 + 1);  // header, samples, after the last CRLF
    EXPECT_TRUE(rows[1].startsWith("Basement,SN-A,V7,")) << rows[1].constData();
    EXPECT_TRUE(rows[1].endsWith(",Maple Street 12\r")) << rows[1].constData();
}

TEST_F(SiteReport, ThirtyPlacesGoOnOverPagesWithoutLosingARow) {
    if (!HavePoppler()) {
        GTEST_SKIP() << "pdftotext and pdfinfo (poppler-utils) are not installed";
    }
    QString error;
    std::optional<SiteReportData> data = GatherSiteReport(*archive, S::Site(), kReference, &error);
    ASSERT_TRUE(data) << qPrintable(error);
    const QList<SitePlaceFigures> three = data->places;
    data->places.clear();
    for (int i = 0; i < 30; ++i) {
        data->places << three[i % 3];
    }
    const QByteArray pdf = RenderSiteReportPdf(*archive, *data, request.made);
    ASSERT_FALSE(pdf.isEmpty());
    QFile file(request.pdfPath);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(pdf), pdf.size());
    file.close();

    const QString all = Pages(request.pdfPath).join(QString());
    const QString table = all.left(all.indexOf(QStringLiteral(" Duplicates Place ")));
    EXPECT_TRUE(table.contains(QStringLiteral("Places (continued)")));
    // Each place's first instrument line, the basement's second: 40 runs, none lost.
    EXPECT_EQ(table.count(QStringLiteral(", run from 2026-01-")), 40);
    EXPECT_EQ(all.count(QStringLiteral("The highest mean was measured in:")), 2);
}

TEST_F(SiteReport, WhatCannotBeMadeSaysWhyAndWritesNothing) {
    const QByteArray earlierCsv("the earlier hourly data");
    QFile csv(request.csvPath);
    ASSERT_TRUE(csv.open(QIODevice::WriteOnly));
    csv.write(earlierCsv);
    csv.close();

    request.site = QStringLiteral("Nowhere Street 1");
    FileWrite written = SaveSiteReport(*archive, request);
    EXPECT_FALSE(written.ok);
    EXPECT_TRUE(written.error.contains(QStringLiteral("\"Nowhere Street 1\"")))
        << qPrintable(written.error);

    // The hourly data would overwrite the report it goes with.
    request.site = S::Site();
    request.csvPath = out.filePath(QStringLiteral("./report.pdf"));
    written = SaveSiteReport(*archive, request);
    EXPECT_FALSE(written.ok);
    EXPECT_TRUE(written.error.contains(QStringLiteral("report.pdf"))) << qPrintable(written.error);

    // A report that cannot be written leaves the hourly data as it was.
    request.csvPath = csv.fileName();
    request.pdfPath = out.filePath(QStringLiteral("no/such/folder/report.pdf"));
    written = SaveSiteReport(*archive, request);
    EXPECT_FALSE(written.ok);
    EXPECT_TRUE(written.error.contains(QStringLiteral("report.pdf"))) << qPrintable(written.error);
    EXPECT_EQ(ReadAll(csv.fileName()), earlierCsv);
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files), QStringList{QStringLiteral("hourly.csv")});
}

TEST_F(SiteReport, WithoutAReferenceLevelNoShareAboveOneIsGiven) {
    if (!HavePoppler()) {
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    }
    request.referenceLevelBqm3 = 0;
    request.csvPath.clear();
    ASSERT_TRUE(SaveSiteReport(*archive, request).ok);
    const QString text = PdfText(request.pdfPath).out;
    EXPECT_TRUE(text.contains(QStringLiteral("none chosen")));
    EXPECT_FALSE(text.contains(QStringLiteral("Hours above")));
    EXPECT_FALSE(text.contains(QStringLiteral("100.0 %")));

    // A site whose places hold no run yet still has its cover.
    ASSERT_TRUE(archive->SaveSite({QStringLiteral("Oak Lane 3"), {}, {}, {}, {}}).ok);
    request.site = QStringLiteral("Oak Lane 3");
    ASSERT_TRUE(SaveSiteReport(*archive, request).ok);
    EXPECT_TRUE(PdfText(request.pdfPath)
                    .out.contains(QStringLiteral("No place of this site holds a measurement.")));
}

TEST_F(SiteReport, AFullDiskLeavesTheEarlierReportAndDataAsTheyWere) {
    if (RanOnFullDisk()) {
        return;
    }
    // The sizes of a whole report and its data, written elsewhere.
    QTemporaryDir elsewhere;
    SiteReportRequest whole = request;
    whole.pdfPath = elsewhere.filePath(QStringLiteral("report.pdf"));
    whole.csvPath = elsewhere.filePath(QStringLiteral("hourly.csv"));
    ASSERT_TRUE(SaveSiteReport(*archive, whole).ok);
    const qint64 pdfSize = QFileInfo(whole.pdfPath).size();
    const qint64 csvSize = QFileInfo(whole.csvPath).size();

    const QByteArray earlierPdf("the earlier report");
    const QByteArray earlierCsv("the earlier hourly data");
    for (const auto& [path, bytes] :
         {std::pair{request.pdfPath, earlierPdf}, {request.csvPath, earlierCsv}}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }
    // Room for none, part of the data, the data and part of the report, all but the last
    // byte; and a sync that fails after every byte was taken.
    const struct {
        qint64 room;
        bool syncFails;
    } disks[] = {{0, false},
                 {csvSize / 2, false},
                 {csvSize + pdfSize / 2, false},
                 {csvSize + pdfSize - 1, false},
                 {-1, true}};
    for (const auto& disk : disks) {
        FillDisk(out.path(), disk.room, disk.syncFails);
        const FileWrite written = SaveSiteReport(*archive, request);
        FillDisk(out.path(), -1);
        EXPECT_FALSE(written.ok) << disk.room;
        EXPECT_TRUE(written.error.contains(QStringLiteral("hourly.csv")) ||
                    written.error.contains(QStringLiteral("report.pdf")))
            << qPrintable(written.error);
        EXPECT_EQ(ReadAll(request.pdfPath), earlierPdf) << disk.room;
        EXPECT_EQ(ReadAll(request.csvPath), earlierCsv) << disk.room;
        EXPECT_EQ(QDir(out.path()).entryList(QDir::Files | QDir::Hidden).size(), 2) << disk.room;
    }
    ASSERT_TRUE(SaveSiteReport(*archive, request).ok);
    EXPECT_TRUE(ReadAll(request.pdfPath).startsWith("%PDF-"));
    EXPECT_EQ(ReadAll(request.csvPath), ReadAll(whole.csvPath));
}

}  // namespace
}  // namespace kelmor::testing
