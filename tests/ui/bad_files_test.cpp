// Every kind of bad data file, fed to the window program and to kelmor-cli: each gives a
// decoded result or a clear error, never a crash, a hang, a read outside the image or a
// change to what was loaded before. Run under the sanitizers, the build also proves that
// nothing reads outside its storage.
#include <QComboBox>
#include <QProcess>
#include <QtTest>
#include <random>

#include "image_builder.h"
#include "window_harness.h"

using namespace kelmor;
using namespace kelmor::testing;

class BadFilesTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void theWindowDecodesOrRefusesWithoutChangingAnything();
    void theCommandLineToolDecodesOrRefuses();

  private:
    struct BadFile {
        QString name;
        QByteArray bytes;
        bool decodable;  // of a valid model and size: must decode, with or without measurements
    };
    QList<BadFile> files_;
};

namespace {

QByteArray Bytes(const ImageBuilder& b) {
    return QByteArray(reinterpret_cast<const char*>(b.Image().data()), b.Layout().imageSize);
}

const Model kModels[] = {Model::V5, Model::V6, Model::V7};

}  // namespace

void BadFilesTest::initTestCase() {
    files_ << BadFile{"empty", {}, false} << BadFile{"one byte", "3", false}
           << BadFile{"tag 0", QByteArray(8192, 0), false}
           << BadFile{"all 0xFF", QByteArray(131071, char(0xFF)), false};
    std::mt19937 random(2026);
    for (const Model model : kModels) {
        const ModelLayout& layout = LayoutOf(model);
        const QString name = QLatin1String(layout.name);
        ImageBuilder good(model);
        good.AddMeasurement({2026, 3, 5, 12, 30}, ConstantPulses(40, 9));
        files_ << BadFile{name + " one byte short", Bytes(good).chopped(1), false};

        QByteArray noise(layout.imageSize, 0);
        for (char& c : noise) {
            c = static_cast<char>(random());
        }
        noise[0] = char(layout.tag);
        files_ << BadFile{name + " random bytes", noise, true};

        QByteArray ff(layout.imageSize, char(0xFF));
        ff[0] = char(layout.tag);
        files_ << BadFile{name + " all 0xFF", ff, true};

        ImageBuilder same(model);
        for (int entry = 1; entry <= 27; ++entry) {
            same.SetEntry(entry, layout.highestAddress - 600, {2026, 1, entry});
        }
        same.SetWriteEntryIndex(28).SetHeaderWriteAddress(layout.lowestAddress);
        files_ << BadFile{name + " all entries at one address", Bytes(same), true};

        for (const int start :
             {layout.lowestAddress - 1, layout.lowestAddress, layout.highestAddress,
              layout.highestAddress + 1, model == Model::V7 ? 0xFFFFFF : 0xFFFF}) {
            for (const int end : {layout.lowestAddress - 1, start - 6, layout.highestAddress + 1}) {
                ImageBuilder bound(model);
                bound.SetEntry(1, start, {2026, 2, 1});
                bound.SetWriteEntryIndex(2).SetHeaderWriteAddress(end);
                files_ << BadFile{
                    QStringLiteral("%1 start %2 end %3").arg(name).arg(start).arg(end),
                    Bytes(bound), true};
            }
        }

        ImageBuilder wrapped(model);
        wrapped.SetEntry(1, layout.lowestAddress + 10 * layout.recordSize, {2026, 1, 1});
        wrapped.SetWriteEntryIndex(2).SetHeaderWriteAddress(layout.imageSize -
                                                            30 * layout.recordSize);
        files_ << BadFile{name + " records that wrap", Bytes(wrapped), true};

        // 27 entries that each claim most of the memory.
        ImageBuilder full(model);
        for (int entry = 1; entry <= 27; ++entry) {
            full.SetEntry(entry, entry % 2 ? layout.highestAddress - 6 : layout.lowestAddress + 60,
                          {2026, 1 + entry % 12, entry});
        }
        full.SetWriteEntryIndex(28).SetHeaderWriteAddress(layout.lowestAddress + 60);
        files_ << BadFile{name + " 27 full measurements", Bytes(full), true};
    }
}

void BadFilesTest::theWindowDecodesOrRefusesWithoutChangingAnything() {
    WindowUnderTest w;
    MainWindow& f = *w.window;
    w.Open(SamplePath("v7"));
    for (const BadFile& bad : files_) {
        const ImageBuffer image = f.Data().MeasurementImage;
        const int items = Child<QComboBox>(f, "measurementList")->count();
        const QString caption = f.windowTitle();
        w.dialogs.messages.clear();

        const QString path = w.WorkingFile(QStringLiteral("bad.Rn"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bad.bytes);
        file.close();
        w.Open(path);

        const MeasurementData& data = f.Data();
        if (bad.decodable) {
            QCOMPARE(f.windowTitle(), QStringLiteral("bad.Rn"));
            QVERIFY2(data.LastSampleIndex < kSampleSlots, qPrintable(bad.name));
            QVERIFY(data.MeasurementCount <= 27);
            for (int row = 0; row < data.MeasurementCount; ++row) {
                const MeasurementEntry& m = data.MeasurementTable[row];
                QVERIFY2(m.FirstSample >= 0 && m.LastSample <= data.LastSampleIndex &&
                             m.LastSample >= m.FirstSample - 1,
                         qPrintable(bad.name));
            }
            if (data.MeasurementCount > 0) {
                QCOMPARE(Child<QComboBox>(f, "measurementList")->count(),
                         data.MeasurementCount + 1);
                // The views of the last measurement draw.
                w.Choose(data.MeasurementCount - 1);
                Trigger(f, "pulseDistributionMeanAndMeanErrorAction");
                Trigger(f, "meanAction");
            } else {
                QCOMPARE(w.dialogs.messages, QStringList({"No measurements saved in V5! "}));
            }
        } else {
            QCOMPARE(w.dialogs.messages.size(), 1);
            QVERIFY2(w.dialogs.messages[0].contains(QStringLiteral("bad.Rn")),
                     qPrintable(bad.name));
            QVERIFY2(data.MeasurementImage == image, qPrintable(bad.name));
            QCOMPARE(Child<QComboBox>(f, "measurementList")->count(), items);
            QCOMPARE(f.windowTitle(), caption);
        }
    }
}

void BadFilesTest::theCommandLineToolDecodesOrRefuses() {
    QTemporaryDir dir;
    for (const BadFile& bad : files_) {
        const QString path = dir.filePath(QStringLiteral("bad.Rn"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bad.bytes);
        file.close();
        for (const QStringList& args :
             {QStringList{"list", path},
              QStringList{"mean", path, "--measurement", "0", "--interval", "Mean", "--error"}}) {
            QProcess cli;
            cli.start(QStringLiteral(KELMOR_CLI), args);
            QVERIFY2(cli.waitForFinished(60000), qPrintable(bad.name));
            QCOMPARE(cli.exitStatus(), QProcess::NormalExit);
            const int code = cli.exitCode();
            const QByteArray err = cli.readAllStandardError();
            if (bad.decodable) {
                QVERIFY2(code == 0 || code == 3, qPrintable(bad.name + ": " + err));
            } else {
                QVERIFY2(code == 2, qPrintable(bad.name));
                QCOMPARE(err.count('\n'), 1);
            }
        }
    }
}

QTEST_MAIN(BadFilesTest)
#include "bad_files_test.moc"
