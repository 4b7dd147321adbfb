// The archive at the size a radon professional reaches: 20 instruments x 10 years of hourly
// samples (1.75 million), built through the archive's own import from V7 images, then
// timed: importing one more V7 read-out, the summary and the samples of a place with 10
// years, loading that place as the window's measurement state, and the database's bytes
// per sample without the sources.
//
//   bench_archive [FOLDER]   builds FOLDER/archive.sqlite, or reuses it when it exists
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>
#include <cstdio>
#include <memory>

#include "archive/annual_summary.h"
#include "archive/archive.h"
#include "data/measurement_summary.h"
#include "data/pulse_distribution.h"
#include "image_builder.h"

namespace {

using namespace kelmor;

constexpr int kInstruments = 20;
constexpr int kYears = 10;
constexpr int kRunHours = 1460;      // about two months a run
constexpr int kRunsPerReadout = 12;  // a V7 memory holds about 21700 hours
constexpr int kRuns = kYears * 8760 / kRunHours;

QTextStream& Out() {
    static QTextStream stream(stdout);
    return stream;
}

QString Serial(int instrument) {
    return QStringLiteral("KM7-%1").arg(instrument, 4, 10, QLatin1Char('0'));
}

QString PlaceName(int instrument) {
    return QStringLiteral("Room %1").arg(instrument);
}

DateTime RunStart(int run) {
    DateTime start = 0;
    TryEncodeDate(2015, 1, 1, start);
    return start + run * (kRunHours + 2) / 24.0;
}

testing::Stamp StampOf(DateTime time) {
    const DateTimeFields f = DecodeDateTime(time);
    return {f.year, f.month, f.day, f.hour, f.minute};
}

// Radon that follows the seasons and the time of day, with some noise.
std::vector<testing::RawRecord> Records(int instrument, int run) {
    std::vector<testing::RawRecord> records(kRunHours);
    unsigned state = static_cast<unsigned>(instrument * 7919 + run * 104729 + 1);
    for (int k = 0; k < kRunHours; ++k) {
        state = state * 1103515245u + 12345u;
        const int hourOfYear = (run * kRunHours + k) % 8760;
        const int season = hourOfYear < 2200 || hourOfYear > 6500 ? 40 : 10;
        const int daily = (k % 24) < 8 ? 10 : 0;
        records[static_cast<std::size_t>(k)] = {
            season + daily + static_cast<int>((state >> 16) % 20), 130 + k % 20,
            120 + static_cast<int>((state >> 8) % 40), 110 + k % 30};
    }
    return records;
}

bool Build(Archive& archive) {
    for (int instrument = 0; instrument < kInstruments; ++instrument) {
        for (int first = 0; first < kRuns; first += kRunsPerReadout) {
            testing::ImageBuilder builder(Model::V7);
            builder.SetCoefficientWords(0x3E80, 0x2000, 0xF000, 0x0010);
            const int last = std::min(first + kRunsPerReadout, kRuns);
            for (int run = first; run < last; ++run) {
                builder.AddMeasurement(StampOf(RunStart(run)), Records(instrument, run));
            }
            ArchiveSource source;
            source.model = Model::V7;
            source.image = QByteArray(reinterpret_cast<const char*>(builder.Image().data()),
                                      builder.Layout().imageSize);
            source.serial = Serial(instrument);
            source.readOutAt = RunStart(last) + 1;
            source.origin = QStringLiteral("read-out");
            const ImportOutcome outcome = archive.Import(source);
            if (!outcome.ok) {
                Out() << "import failed: " << outcome.error << Qt::endl;
                return false;
            }
        }
        for (const RunInfo& run : archive.Runs()) {
            if (run.key.serial == Serial(instrument) &&
                !archive.Assign(run.key, PlaceName(instrument)).ok) {
                return false;
            }
        }
        Out() << "instrument " << instrument + 1 << " of " << kInstruments << " built" << Qt::endl;
    }
    return true;
}

double Milliseconds(const QElapsedTimer& timer) {
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

// The lines kelmor-cli archive samples prints, made but not written.
class PulseText : public PulseSink {
  public:
    void BeginPulses() override {}
    void AddPulse(DateTime time, double concentration, double error) override {
        text += FormatIsoLocal(time) + QLatin1Char(';') + QString::number(concentration, 'f', 6) +
                QLatin1Char(';') + QString::number(error, 'f', 6) + QLatin1Char('\n');
    }
    void AddOverlay(Overlay, DateTime, double) override {}
    QString text;
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir temporary;
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temporary.path();
    QDir().mkpath(folder);
    const QString path = folder + QStringLiteral("/archive.sqlite");
    const bool reuse = QFile::exists(path);
    QElapsedTimer timer;
    if (!reuse) {
        OpenResult built = Archive::Open(path, {OpenMode::CreateIfMissing, 10000});
        timer.start();
        if (!built.archive || !Build(*built.archive)) {
            Out() << built.error << Qt::endl;
            return 1;
        }
        Out() << "built in " << Milliseconds(timer) / 1000 << " s" << Qt::endl;
    }
    // Measured on a copy, so that the archive built stays as it was for the next run.
    const QString work = temporary.filePath(QStringLiteral("work.sqlite"));
    QFile::remove(work);
    if (!QFile::copy(path, work)) {
        Out() << "cannot copy " << path << Qt::endl;
        return 1;
    }
    OpenResult opened = Archive::Open(work, {OpenMode::ReadWrite, 10000});
    if (!opened.archive) {
        Out() << opened.error << Qt::endl;
        return 1;
    }
    Archive& archive = *opened.archive;

    QFile v7(QStringLiteral(KELMOR_SOURCE_DIR "/samples/kelmor-v7.Rn"));
    if (!v7.open(QIODevice::ReadOnly)) {
        return 1;
    }
    ArchiveSource extra;
    extra.model = Model::V7;
    extra.image = v7.readAll().left(LayoutOf(Model::V7).imageSize);
    extra.serial = QStringLiteral("KM7-extra");
    extra.readOutAt = DateTimeFromQt(QDateTime::currentDateTime());
    extra.origin = QStringLiteral("kelmor-v7.Rn");
    timer.start();
    const ImportOutcome imported = archive.Import(extra);
    const double importMs = Milliseconds(timer);
    if (!imported.ok) {
        Out() << imported.error << Qt::endl;
        return 1;
    }

    auto data = std::make_unique<MeasurementData>();
    const QString place = PlaceName(0);
    timer.start();
    const LoadedSamples loaded = archive.PlaceData(place, *data);
    const double loadMs = Milliseconds(timer);
    if (!loaded.ok) {
        Out() << loaded.error << Qt::endl;
        return 1;
    }

    timer.start();
    archive.PlaceData(place, *data);
    const double warmLoadMs = Milliseconds(timer);
    SummaryWorkspace workspace;
    const MeasurementSummary summary = Summarise(*data, {0, std::nullopt}, 300.0, workspace);
    const double summariseMs = Milliseconds(timer) - warmLoadMs;
    const AnnualAverage annual = ComputeAnnualAverage(HourlyValuesOf(*data, 0));
    const double annualMs = Milliseconds(timer) - warmLoadMs - summariseMs;
    const QByteArray json = PlaceSummaryJson(summary, annual);
    const double summaryMs = Milliseconds(timer);

    timer.start();
    archive.PlaceData(place, *data);
    PulseText lines;
    DrawPulseDistribution(*data, 0, OverlayChoice(), lines);
    const double samplesMs = Milliseconds(timer);

    QString error;
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "size");
    db.setDatabaseName(work);
    db.open();
    qint64 samples = 0;
    qint64 bytes = 0;
    {
        QSqlQuery q(db);
        q.exec(QStringLiteral("SELECT count(*) FROM samples"));
        q.next();
        samples = q.value(0).toLongLong();
        // Every page but those of the sources' table and its index.
        if (q.exec(QStringLiteral("SELECT sum(pgsize) FROM dbstat WHERE name NOT IN "
                                  "('sources', 'sqlite_autoindex_sources_1')")) &&
            q.next()) {
            bytes = q.value(0).toLongLong();
        } else {
            q.exec(
                QStringLiteral("SELECT (SELECT page_count FROM pragma_page_count) * (SELECT "
                               "page_size FROM pragma_page_size) - (SELECT total(length(image)) "
                               "FROM sources)"));
            q.next();
            bytes = q.value(0).toLongLong();
        }
    }
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase("size");

    Out() << "samples in the archive: " << samples << Qt::endl
          << "import of one more V7 read-out (" << imported.hoursAdded << " hours): " << importMs
          << " ms (goal 200)" << Qt::endl
          << "summary of a place with " << loaded.samples << " samples (" << summary.samples
          << " in the summary, annual average "
          << (annual.annualMeanBqm3 ? QString::number(*annual.annualMeanBqm3, 'f', 1)
                                    : QStringLiteral("none"))
          << "): " << summaryMs << " ms (goal 50): loading " << warmLoadMs
          << " ms, the measurement summary " << summariseMs << " ms, the annual average "
          << annualMs << " ms" << Qt::endl
          << "samples of that place (" << lines.text.size() / 1024 << " KiB of text): " << samplesMs
          << " ms" << Qt::endl
          << "loading that place as the window's measurement state: " << loadMs << " ms" << Qt::endl
          << "bytes per sample without the sources: "
          << (samples > 0 ? static_cast<double>(bytes) / samples : 0) << " (goal 40)" << Qt::endl;
    return 0;
}
