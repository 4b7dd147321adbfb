// Successive read-outs of one simulated V7, imported in every order: the archive must come
// out the same, with the first value of every hour kept and every disagreement recorded.
#include <QSqlDatabase>
#include <algorithm>
#include <array>

#include "archive/archive.h"
#include "archive_fixture.h"
#include "data/decoder.h"
#include "data/image_loader.h"
#include "data/row_samples.h"

namespace kelmor::testing {
namespace {

const QString kSerial = QStringLiteral("KM7-0042");
const Stamp kFirstStart{2026, 1, 5, 10, 30};
const Stamp kSecondStart{2026, 3, 1, 8, 0};

struct Readouts {
    std::array<ArchiveSource, 4> sources;
};

// The memory read out four times: after 30 hours; 20 hours later (the run grown); after an
// erase and a new run of 10 hours; and an image whose entry still shows the first run
// though the instrument had begun overwriting its first five hours.
Readouts SuccessiveReadouts() {
    Readouts r;
    const std::vector<RawRecord> full = V7Records(50, 3);

    ImageBuilder first(Model::V7);
    first.AddMeasurement(kFirstStart, {full.begin(), full.begin() + 30});
    r.sources[0] = SourceOf(first, kSerial, At(2026, 1, 6, 17));

    ImageBuilder grown(Model::V7);
    grown.AddMeasurement(kFirstStart, full);
    r.sources[1] = SourceOf(grown, kSerial, At(2026, 1, 7, 13));

    ImageBuilder erased(Model::V7);
    erased.AddMeasurement(kSecondStart, V7Records(10, 5));
    r.sources[2] = SourceOf(erased, kSerial, At(2026, 3, 2, 9));

    std::vector<RawRecord> overwritten = full;
    for (int k = 0; k < 5; ++k) {
        overwritten[static_cast<std::size_t>(k)].pulses += 100;
    }
    ImageBuilder reused(Model::V7);
    reused.AddMeasurement(kFirstStart, overwritten);
    r.sources[3] = SourceOf(reused, kSerial, At(2026, 3, 20, 9), QStringLiteral("reused.Rn"));
    return r;
}

struct Snapshot {
    QList<RunKey> keys;
    QList<int> hours;
    QList<double> pulses;  // every sample's pulses, run by run
    QList<QString> conflicts;

    bool operator==(const Snapshot& o) const {
        return keys == o.keys && hours == o.hours && pulses == o.pulses && conflicts == o.conflicts;
    }
};

Snapshot Take(const Archive& archive, MeasurementData& data) {
    Snapshot s;
    for (const RunInfo& run : archive.Runs()) {
        s.keys << run.key;
        s.hours << run.hours;
        EXPECT_TRUE(archive.RunData(run.key, data).ok);
        for (int i = 0; i <= data.LastSampleIndex; ++i) {
            s.pulses << static_cast<double>(data.SampleTable[i].PulseCount);
        }
    }
    for (const ConflictInfo& c : archive.Conflicts()) {
        s.conflicts << QStringLiteral("%1 %2 %3 kept %4 from %5, %6 from %7")
                           .arg(c.key.serial)
                           .arg(c.key.startMinutes)
                           .arg(c.hour)
                           .arg(c.keptPulses)
                           .arg(c.keptOrigin)
                           .arg(c.otherPulses)
                           .arg(c.otherOrigin);
    }
    return s;
}

class MergeTest : public ArchiveTest {};

TEST_F(MergeTest, EveryImportOrderGivesTheSameRunsSamplesAndConflicts) {
    const Readouts readouts = SuccessiveReadouts();
    auto data = std::make_unique<MeasurementData>();
    std::array<int, 4> order = {0, 1, 2, 3};
    std::optional<Snapshot> reference;
    int permutations = 0;
    do {
        OpenResult opened =
            Archive::Open(archives_.NewLocation(), {OpenMode::CreateIfMissing, 2000});
        ASSERT_TRUE(opened.archive) << qPrintable(opened.error);
        int hoursAdded = 0;
        for (const int i : order) {
            const ImportOutcome outcome = opened.archive->Import(readouts.sources[i]);
            ASSERT_TRUE(outcome.ok) << qPrintable(outcome.error);
            hoursAdded += outcome.hoursAdded;
        }
        EXPECT_EQ(hoursAdded, 60);
        const Snapshot snapshot = Take(*opened.archive, *data);
        if (!reference) {
            reference = snapshot;
            ASSERT_EQ(snapshot.keys.size(), 2);
            EXPECT_EQ(snapshot.hours, (QList<int>{50, 10}));
            // The first read-out's five hours stay; the reused entry's differ from them.
            ASSERT_EQ(snapshot.conflicts.size(), 5);
            EXPECT_TRUE(snapshot.conflicts[0].contains(QStringLiteral("from read-out, ")))
                << qPrintable(snapshot.conflicts[0]);
            EXPECT_TRUE(snapshot.conflicts[0].endsWith(QStringLiteral("from reused.Rn")));
            EXPECT_EQ(snapshot.pulses[0], 23);
        } else {
            EXPECT_TRUE(snapshot == *reference)
                << "order " << order[0] << order[1] << order[2] << order[3];
        }
        // Derived again from the sources in their own order, a few orders suffice.
        if (permutations % 8 == 0) {
            const CheckReport check = opened.archive->Check();
            EXPECT_TRUE(check.consistent) << qPrintable(check.problems.join('\n'));
            EXPECT_EQ(check.conflicts.size(), 5);
        }
        ++permutations;
    } while (std::next_permutation(order.begin(), order.end()));
    EXPECT_EQ(permutations, 24);
}

TEST_F(MergeTest, ALaterReadoutExtendsAShorterOneRemovesNothingAndTheSameBytesChangeNothing) {
    const Readouts readouts = SuccessiveReadouts();
    const std::unique_ptr<Archive> archive = OpenArchive();
    ImportOutcome first = archive->Import(readouts.sources[0]);
    ASSERT_TRUE(first.ok);
    EXPECT_EQ(first.runsAdded, (QList<RunKey>{{kSerial, RunStartMinutes(At(2026, 1, 5, 10, 30))}}));
    EXPECT_EQ(first.hoursAdded, 30);

    const ImportOutcome grown = archive->Import(readouts.sources[1]);
    EXPECT_EQ(grown.runsExtended, first.runsAdded);
    EXPECT_EQ(grown.hoursAdded, 20);

    ArchiveSource again = readouts.sources[0];
    again.origin = QStringLiteral("copy under another name.Rn");
    const ImportOutcome duplicate = archive->Import(again);
    EXPECT_TRUE(duplicate.ok && duplicate.duplicate);
    EXPECT_EQ(duplicate.hoursAdded, 0);

    const ImportOutcome afterErase = archive->Import(readouts.sources[2]);
    EXPECT_EQ(afterErase.runsAdded.size(), 1);
    const QList<RunInfo> runs = archive->Runs();
    ASSERT_EQ(runs.size(), 2);
    EXPECT_EQ(runs[0].hours, 50);

    // A rebuild from the sources alone gives the same runs.
    ASSERT_TRUE(archive->Rebuild().ok);
    const QList<RunInfo> rebuilt = archive->Runs();
    ASSERT_EQ(rebuilt.size(), 2);
    EXPECT_EQ(rebuilt[0].hours, 50);
    EXPECT_EQ(rebuilt[1].hours, 10);
}

TEST_F(MergeTest, AnImageWithoutMeasurementsStoresNothing) {
    const std::unique_ptr<Archive> archive = OpenArchive();
    const ImportOutcome outcome =
        archive->Import(SourceOf(ImageBuilder(Model::V7), kSerial, At(2026, 1, 1)));
    EXPECT_FALSE(outcome.ok);
    EXPECT_TRUE(outcome.noMeasurements);
    EXPECT_EQ(outcome.error, kNoMeasurementsMessage);
    EXPECT_TRUE(archive->Runs().isEmpty());
}

// What the archive gives back is what the decoder made of the image, to the last bit.
TEST_F(MergeTest, ArchivedSamplesEqualTheDecodersValuesForEachModel) {
    const std::unique_ptr<Archive> archive = OpenArchive();
    auto decoded = std::make_unique<MeasurementData>();
    auto stored = std::make_unique<MeasurementData>();
    for (const char* name : {"kelmor-v5.Rn", "kelmor-v6.Rn", "kelmor-v7.Rn"}) {
        QFile file(QStringLiteral(KELMOR_SOURCE_DIR "/samples/") + QLatin1String(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        const Model model = *ModelFromTag(static_cast<std::uint8_t>(bytes[0]));
        ArchiveSource source;
        source.model = model;
        source.image = bytes.left(LayoutOf(model).imageSize);
        source.serial = QLatin1String(name);
        source.readOutAt = At(2026, 12, 8, 12);
        source.origin = QLatin1String(name);
        ASSERT_TRUE(archive->Import(source).ok) << name;

        DecodeContext context;
        context.now = source.readOutAt;
        LoadImage(*decoded, reinterpret_cast<const std::uint8_t*>(source.image.constData()), model,
                  context);
        for (int row = 0; row < decoded->MeasurementCount; ++row) {
            const SampleSpan span = RowSamples(*decoded, row);
            if (span.last < span.first) {
                continue;
            }
            const RunKey key{source.serial,
                             RunStartMinutes(decoded->MeasurementTable[row].StartTime)};
            const LoadedSamples loaded = archive->RunData(key, *stored);
            ASSERT_TRUE(loaded.ok) << qPrintable(loaded.error);
            ASSERT_EQ(loaded.samples, span.last - span.first + 1) << name << " row " << row;
            EXPECT_EQ(stored->ModelTag(), decoded->ModelTag());
            for (int k = 0; k < loaded.samples; ++k) {
                const SampleRecord& a = decoded->SampleTable[span.first + k];
                const SampleRecord& b = stored->SampleTable[k];
                ASSERT_TRUE(a.Concentration == b.Concentration && a.Error == b.Error &&
                            a.Time == b.Time && a.Temperature == b.Temperature &&
                            a.Humidity == b.Humidity && a.Pressure == b.Pressure &&
                            a.PulseCount == b.PulseCount)
                    << name << " row " << row << " hour " << k;
            }
        }
    }
}

}  // namespace
}  // namespace kelmor::testing
