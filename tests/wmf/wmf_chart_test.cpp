// The chart as the program draws it, exported, read back here and by other readers.
#include <gtest/gtest.h>
#include <qcustomplot.h>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "metafile_reader.h"
#include "wmf/wmf_chart.h"
#include "wmf/wmf_constants.h"

namespace kelmor {
namespace {

// Like the program's chart: title and axis titles, a date-time axis, a line and red error
// bars with 10-pixel end marks.
class ChartExport : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(folder_.isValid());
        plot_.resize(800, 400);
        plot_.plotLayout()->insertRow(0);
        QFont titleFont = plot_.font();
        titleFont.setPixelSize(13);
        plot_.plotLayout()->addElement(
            0, 0, new QCPTextElement(&plot_, QStringLiteral("Measurements"), titleFont));
        plot_.yAxis->setLabel(QStringLiteral("Bq/m3"));
        plot_.yAxis->setTickLabelColor(Qt::red);
        plot_.xAxis->setLabel(QStringLiteral("Time"));
        auto ticker = QSharedPointer<QCPAxisTickerDateTime>::create();
        ticker->setDateTimeFormat(QStringLiteral("dd/MM hh"));
        plot_.xAxis->setTicker(ticker);

        const double start = QCPAxisTickerDateTime::dateTimeToKey(
            QDateTime(QDate(2026, 3, 5), QTime(14, 0), Qt::UTC));
        QVector<double> keys, values, errors;
        for (int hour = 0; hour < 240; ++hour) {
            keys << start + hour * 3600.0;
            values << 120 + 60 * std::sin(hour / 9.0) + (hour % 5) * 4;
            errors << 10 + hour % 4;
        }
        QCPGraph* line = plot_.addGraph();
        line->setPen(QPen(Qt::green));
        line->setData(keys, values, true);
        auto* bars = new QCPErrorBars(plot_.xAxis, plot_.yAxis);
        bars->setDataPlottable(line);
        bars->setData(errors);
        bars->setPen(QPen(Qt::red));
        bars->setWhiskerWidth(10);
        plot_.rescaleAxes();
        plot_.yAxis->scaleRange(1.2);
        plot_.replot();
    }

    // The plot drawn at `size` into a metafile, as the program's chart draws itself.
    bool Save(QSize size, const QString& path, QString& error) {
        return SaveMetafile(
            size,
            [this, size](QCPPainter& painter) {
                plot_.toPainter(&painter, size.width(), size.height());
            },
            path, error);
    }

    QString Exported() {
        const QString path = folder_.filePath(QStringLiteral("chart.Wmf"));
        QString error;
        EXPECT_TRUE(Save(plot_.size(), path, error)) << error.toStdString();
        return path;
    }

    static QByteArray Contents(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    static QString Tool(const QString& name) {
        const QString system = QStandardPaths::findExecutable(name, {QStringLiteral("/usr/bin")});
        return system.isEmpty() ? QStandardPaths::findExecutable(name) : system;
    }

    // libwmf draws text only with the PostScript base fonts, which Debian packages apart.
    static bool LibwmfLacksFonts(const QString& output) {
        return output.contains(QStringLiteral("failed to load *any* font"));
    }

    static bool Run(const QString& program, const QStringList& arguments, QString& output) {
        QProcess process;
        process.start(program, arguments);
        const bool done = process.waitForFinished(60000) &&
                          process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
        output = QString::fromLocal8Bit(process.readAllStandardOutput() +
                                        process.readAllStandardError());
        return done;
    }

    QTemporaryDir folder_;
    QCustomPlot plot_;
};

TEST_F(ChartExport, FileIsWellFormedAndHoldsTheChart) {
    const test::Metafile file = test::ReadMetafile(Contents(Exported()));
    ASSERT_EQ(file.problem, QString());
    EXPECT_EQ(test::CheckObjects(file), QString());
    EXPECT_EQ(file.right, 800 * 15);
    EXPECT_EQ(file.bottom, 400 * 15);

    const std::vector<QByteArray> texts = test::Texts(file);
    for (const char* expected : {"Measurements", "Bq/m3", "Time"}) {
        EXPECT_NE(std::find(texts.begin(), texts.end(), QByteArray(expected)), texts.end())
            << expected;
    }
    EXPECT_NE(std::find(texts.begin(), texts.end(), QByteArray("08/03 00")), texts.end());

    // The left axis title is the one text that runs upwards.
    const auto fonts = file.Of(wmf::kCreateFontIndirect);
    EXPECT_EQ(std::count_if(fonts.begin(), fonts.end(),
                            [](const test::MetafileRecord& r) { return r.Word(2) == 900; }),
              1);

    // The graph is one polyline through all its points; the bars are short lines.
    size_t longest = 0;
    size_t shortLines = 0;
    for (const auto& line : file.Of(wmf::kPolyline)) {
        longest = std::max<size_t>(longest, static_cast<size_t>(line.Word(0)));
        shortLines += line.Word(0) == 2 ? 1 : 0;
    }
    EXPECT_EQ(longest, 240u);
    EXPECT_GE(shortLines, 3u * 240u);  // bar and two end marks each
}

TEST_F(ChartExport, Wmf2svgReadsTextsAndLines) {
    const QString converter = Tool(QStringLiteral("wmf2svg"));
    if (converter.isEmpty()) {
        GTEST_SKIP() << "wmf2svg (Debian package libwmf-bin) is not installed";
    }
    const QString svgPath = folder_.filePath(QStringLiteral("chart.svg"));
    QString output;
    const bool converted = Run(converter, {QStringLiteral("-o"), svgPath, Exported()}, output);
    if (!converted && LibwmfLacksFonts(output)) {
        GTEST_SKIP() << "libwmf finds no fonts: install fonts-urw-base35";
    }
    ASSERT_TRUE(converted) << output.toStdString();
    const QString svg = QString::fromUtf8(Contents(svgPath));
    ASSERT_FALSE(svg.isEmpty());
    // libwmf writes a text with advances one character at a time, in order.
    const QRegularExpression textElement(
        QStringLiteral(R"re(<text [^>]*transform="matrix\(([^)]*)\)"\s*>([^<]*)</text>)re"));
    QString allText;
    QString rotatedText;
    for (auto match = textElement.globalMatch(svg); match.hasNext();) {
        const auto element = match.next();
        allText += element.captured(2);
        if (element.captured(1).startsWith(QStringLiteral("0.000000 -1.000000"))) {
            rotatedText += element.captured(2);
        }
    }
    EXPECT_TRUE(allText.contains(QStringLiteral("Measurements"))) << allText.toStdString();
    EXPECT_TRUE(allText.contains(QStringLiteral("Time")));
    EXPECT_EQ(rotatedText, QStringLiteral("Bq/m3")) << "the left axis title runs upwards";
    // libwmf writes polylines as paths or polylines with one coordinate pair a point.
    const QRegularExpression lines(
        QStringLiteral("<(?:polyline|path)[^>]*(?:points|d)=\"([^\"]*)\""));
    qsizetype mostNumbers = 0;
    qsizetype elements = 0;
    for (auto match = lines.globalMatch(svg); match.hasNext();) {
        const QString points = match.next().captured(1);
        mostNumbers =
            std::max(mostNumbers,
                     points.count(QRegularExpression(QStringLiteral("-?[0-9]+(?:\\.[0-9]+)?"))));
        ++elements;
    }
    EXPECT_GE(mostNumbers, 2 * 240);
    EXPECT_GE(elements, 3 * 240);
}

TEST_F(ChartExport, RasterisedPictureShowsTheChart) {
    // ImageMagick reads metafiles through libwmf when its extra coders are installed; libwmf's
    // own wmf2gd does the same without them.
    const QString convert = Tool(QStringLiteral("convert"));
    QString formats;
    const bool magickReadsWmf =
        !convert.isEmpty() &&
        Run(convert, {QStringLiteral("-list"), QStringLiteral("format")}, formats) &&
        formats.contains(QRegularExpression(QStringLiteral("\\bWMF\\*? +\\w+ +r")));
    const QString wmf2gd = Tool(QStringLiteral("wmf2gd"));
    if (!magickReadsWmf && wmf2gd.isEmpty()) {
        GTEST_SKIP() << "neither ImageMagick with its WMF coder nor wmf2gd (libwmf-bin) is here";
    }
    const QString png = folder_.filePath(QStringLiteral("chart.png"));
    QString output;
    const bool converted = magickReadsWmf ? Run(convert, {Exported(), png}, output)
                                          : Run(wmf2gd,
                                                {QStringLiteral("-t"), QStringLiteral("png"),
                                                 QStringLiteral("-o"), png, Exported()},
                                                output);
    if (!converted && LibwmfLacksFonts(output)) {
        GTEST_SKIP() << "libwmf finds no fonts: install fonts-urw-base35";
    }
    ASSERT_TRUE(converted) << output.toStdString();
    QImage image(png);
    ASSERT_FALSE(image.isNull());
    int dark = 0;
    int red = 0;
    int green = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            dark += c.lightness() < 100 ? 1 : 0;
            red += c.red() > 180 && c.green() < 90 && c.blue() < 90 ? 1 : 0;
            green += c.green() > 90 && c.red() < 90 && c.blue() < 90 ? 1 : 0;
        }
    }
    const int pixels = image.width() * image.height();
    EXPECT_GT(dark, pixels / 500) << "axes and texts";
    EXPECT_GT(red, pixels / 500) << "error bars";
    EXPECT_GT(green, pixels / 2000) << "the line";
}

TEST_F(ChartExport, FailuresNameTheFileAndKeepWhatWasThere) {
    QString error;
    const QString missingFolder = folder_.filePath(QStringLiteral("nowhere/chart.Wmf"));
    EXPECT_FALSE(Save(QSize(800, 400), missingFolder, error));
    EXPECT_TRUE(error.contains(QStringLiteral("\"chart.Wmf\""))) << error.toStdString();

    const QString existing = folder_.filePath(QStringLiteral("kept.Wmf"));
    {
        QFile file(existing);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("earlier picture");
    }
    error.clear();
    EXPECT_FALSE(Save(QSize(40000, 400), existing, error));
    EXPECT_TRUE(error.contains(QStringLiteral("\"kept.Wmf\""))) << error.toStdString();
    EXPECT_EQ(Contents(existing), QByteArray("earlier picture"));

    EXPECT_TRUE(Save(plot_.size(), existing, error));
    const test::Metafile file = test::ReadMetafile(Contents(existing));
    EXPECT_EQ(file.problem, QString());
    EXPECT_EQ(file.right, 800 * 15);
    EXPECT_TRUE(
        QDir(folder_.path()).entryList({QStringLiteral("*")}, QDir::Files | QDir::Hidden).size() ==
        1)
        << "no temporary file is left behind";
}

}  // namespace
}  // namespace kelmor
