// The summary panel as a user meets it: what it shows, the keyboard, and the hour-of-day
// bars as painted.
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QPainter>
#include <QTableWidget>
#include <QtTest>

#include "sample_data.h"
#include "summary/hour_profile_chart.h"
#include "summary/summary_panel.h"

namespace kelmor::testing {
namespace {

QString Value(const SummaryPanel& panel, const QString& label) {
    QTableWidget* table = panel.Figures();
    for (int r = 0; r < table->rowCount(); ++r) {
        if (table->item(r, 0)->text() == label) {
            return table->item(r, 1)->text();
        }
    }
    return QString();
}

// The x positions where a run of bar-red pixels starts along row `y`.
std::vector<int> BarsAlong(const QImage& image, int y) {
    std::vector<int> starts;
    bool inside = false;
    for (int x = 0; x < image.width(); ++x) {
        const QRgb p = image.pixel(x, y);
        const bool red = qRed(p) > 200 && qGreen(p) < 60 && qBlue(p) < 60;
        if (red && !inside) {
            starts.push_back(x);
        }
        inside = red;
    }
    return starts;
}

// The row just above the bars' base line, where every bar is at its widest.
std::vector<int> BarsAtTheBase(const QImage& image) {
    std::vector<int> best;
    for (int y = image.height() - 1; y >= 0; --y) {
        std::vector<int> bars = BarsAlong(image, y);
        if (bars.size() > best.size()) {
            best = std::move(bars);
        }
    }
    return best;
}

class Panel : public ::testing::Test {
  protected:
    void SetUp() override {
        panel.resize(420, 700);
        panel.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
    }

    SummaryPanel panel;
};

TEST_F(Panel, StartsWithNoMeasurementChosenAndReturnsThereOnClear) {
    EXPECT_EQ(panel.SubjectLabel()->text(), QStringLiteral("No measurement chosen"));
    EXPECT_FALSE(panel.Figures()->isVisible());
    EXPECT_FALSE(panel.Profile()->isVisible());
    EXPECT_FALSE(panel.HasSummary());

    auto data = LoadSample("v6");
    panel.SetShown(*data, SummaryScope{0, {}}, std::nullopt, QStringLiteral("first"));
    EXPECT_TRUE(panel.Figures()->isVisible());
    panel.Clear();
    EXPECT_EQ(panel.SubjectLabel()->text(), QStringLiteral("No measurement chosen"));
    EXPECT_FALSE(panel.Figures()->isVisible());
    EXPECT_EQ(panel.Summary().samples, 0);
}

TEST_F(Panel, ShowsTheFiguresInBothUnitsAndFollowsTheZoom) {
    auto data = LoadSample("v7");
    const int all = AllRow(*data);
    panel.SetShown(*data, SummaryScope{all, {}}, 148.0, QStringLiteral("All measurements"));
    EXPECT_EQ(panel.SubjectLabel()->text(), QStringLiteral("All measurements"));
    const QString mean = Value(panel, QStringLiteral("Mean"));
    EXPECT_TRUE(mean.contains(QStringLiteral("Bq/m3")) && mean.contains(QStringLiteral("pCi/L")))
        << mean.toStdString();
    EXPECT_EQ(Value(panel, QStringLiteral("Hourly samples")),
              QString::number(data->LastSampleIndex + 1));
    EXPECT_TRUE(panel.Sentence()->isVisible());
    EXPECT_TRUE(panel.Sentence()->text().contains(QStringLiteral("reference level of 148")));
    EXPECT_FALSE(Value(panel, QStringLiteral("Pressure")).isEmpty());  // a V7

    // Zoomed into one day of the first measurement: the figures of that day only.
    const DateTime from = data->SampleTable[10].Time;
    const DateTime to = data->SampleTable[33].Time;
    panel.SetShown(*data, SummaryScope{all, TimeRange{from, to}}, std::nullopt,
                   QStringLiteral("All measurements"));
    EXPECT_EQ(Value(panel, QStringLiteral("Hourly samples")), QStringLiteral("24"));
    EXPECT_TRUE(panel.SubjectLabel()->text().contains(QStringLiteral("\nZoomed: ")));
    EXPECT_FALSE(panel.Sentence()->isVisible());  // no reference level, no sentence

    // A range without samples says so instead of showing empty figures.
    DateTime empty = 0;
    TryEncodeDate(1990, 1, 1, empty);
    panel.SetShown(*data, SummaryScope{all, TimeRange{empty, empty + 1}}, 100.0,
                   QStringLiteral("All measurements"));
    EXPECT_EQ(panel.Sentence()->text(), QStringLiteral("No sample to summarise."));
    EXPECT_FALSE(panel.Profile()->isVisible());
}

TEST_F(Panel, TheKeyboardReachesAndCopiesTheFigures) {
    auto data = LoadSample("v5");
    panel.SetShown(*data, SummaryScope{0, {}}, std::nullopt, QStringLiteral("first"));
    panel.activateWindow();
    panel.setFocus();
    EXPECT_TRUE(panel.Figures()->hasFocus());

    // Home selects the first row, Down the next; the copy key copies both selected rows.
    QTest::keyClick(panel.Figures(), Qt::Key_Home);
    QTest::keyClick(panel.Figures(), Qt::Key_Down, Qt::ShiftModifier);
    QApplication::clipboard()->clear();
    QTest::keySequence(panel.Figures(), QKeySequence::Copy);
    const QString copied = QApplication::clipboard()->text();
    EXPECT_TRUE(copied.startsWith(QStringLiteral("First sample\t"))) << copied.toStdString();
    EXPECT_EQ(copied.count(QLatin1Char('\n')), 2);
    EXPECT_TRUE(copied.contains(QStringLiteral("\nLast sample\t")));

    // Tab leaves the table for the sentence, which can be selected and copied too.
    panel.SetShown(*data, SummaryScope{0, {}}, 100.0, QStringLiteral("first"));
    panel.setFocus();
    QTest::keyClick(panel.Figures(), Qt::Key_Tab);
    EXPECT_TRUE(panel.Sentence()->hasFocus());
}

TEST_F(Panel, RowsAreTallEnoughForTheWindowsFont) {
    QFont large = panel.font();
    large.setPixelSize(24);
    panel.setFont(large);
    auto data = LoadSample("v6");
    panel.SetShown(*data, SummaryScope{0, {}}, std::nullopt, QStringLiteral("first"));
    QCoreApplication::processEvents();
    QTableWidget* table = panel.Figures();
    for (int r = 0; r < table->rowCount(); ++r) {
        EXPECT_GE(table->rowHeight(r), 24) << r;
    }
    EXPECT_GE(panel.Profile()->minimumSizeHint().height(), 9 * 24);
}

TEST(HourProfile, EveryHourWithASampleIsABarAndTheOthersAreEmpty) {
    HourProfile profile{};
    for (std::size_t h = 0; h < 24; ++h) {
        if (h % 2 == 0) {
            profile[h] = 100 + 10.0 * static_cast<double>(h);
        }
    }
    QImage image(600, 300, QImage::Format_RGB32);
    image.fill(Qt::black);
    {
        QPainter painter(&image);
        PaintHourProfile(painter, image.rect(), profile, std::nullopt, QFont());
    }
    EXPECT_EQ(image.pixel(0, 0), qRgb(255, 255, 255));  // white, whatever was there
    const std::vector<int> bars = BarsAtTheBase(image);
    ASSERT_EQ(bars.size(), 12u);
    // Hour 0 and hour 22 bars, 22 hour slots apart: the empty odd hours keep their place.
    const double slot = (bars[11] - bars[0]) / 22.0;
    EXPECT_NEAR(bars[1] - bars[0], 2 * slot, 1.5);

    // Bars grow with the mean: hour 22 (320) stands higher than hour 0 (100).
    const auto top = [&image](int x) {
        int y = 0;
        while (y < image.height() && qGreen(image.pixel(x + 2, y)) > 60) {
            ++y;
        }
        return y;
    };
    EXPECT_LT(top(bars[11]), top(bars[0]));
}

}  // namespace
}  // namespace kelmor::testing
