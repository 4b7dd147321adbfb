// What the window writes and opens, where it goes wrong: Save in every format, a PDF
// printed to a file and the read-out's temporary files on a disk that fills up part-way,
// things that are not files in the Open dialog and as the file argument, and a file-size
// limit on the window program itself.
#include <sys/resource.h>
#include <sys/stat.h>

#include <QComboBox>
#include <QDir>
#include <QProcess>
#include <QtTest>

#include "full_disk.h"
#include "time_limit.h"
#include "ui/chart/kelmor_chart.h"
#include "window_harness.h"

using namespace kelmor;
using namespace kelmor::testing;

class FilesTest : public QObject {
    Q_OBJECT

  private slots:
    void saveInEveryFormatOnAFullDiskKeepsTheOldFile();
    void printingToAFullDiskKeepsTheOldPdf();
    void theReadOutsTemporaryFilesAreWholeOrAsTheyWere();
    void whatIsNotARegularFileIsRefusedWithoutWaiting();
    void aFileSizeLimitDoesNotEndTheWindowProgram();
};

namespace {

// In the test process: runs the current test function again in a child on a filling disk,
// checks that it ran and passed there and returns true. In the child: false, and the
// function's body goes on.
bool RanOnFullDisk() {
    if (InFullDiskChild()) {
        return !QTest::qVerify(FullDiskLoaded(), "FullDiskLoaded()",
                               "the full-disk library was not preloaded", __FILE__, __LINE__);
    }
    const char* function = QTest::currentTestFunction();
    const ChildRun run = RunUnderFullDisk({QString::fromLatin1(function)});
    const QByteArray passed = QByteArray("PASS   : FilesTest::") + function + "()";
    QTest::qVerify(run.finished && run.exitCode == 0 && run.output.contains(passed),
                   "the child passed", run.output.constData(), __FILE__, __LINE__);
    return true;
}

QByteArray Old(const QString& name) {
    return QByteArray("the earlier ") + name.toUtf8() + QByteArray(3000, '.');
}

void WriteOld(const QString& path) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(Old(QFileInfo(path).fileName())), Old(QFileInfo(path).fileName()).size());
}

QStringList Entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                  QDir::NoDotAndDotDot);
}

// The one message of a failing write: it names the file and the system's reason.
void ExpectRefusal(const QStringList& messages, const QString& name) {
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages[0].startsWith(
                 QStringLiteral("Cannot write \"%1\": No space left on device.").arg(name)),
             qPrintable(messages[0]));
}

}  // namespace

void FilesTest::saveInEveryFormatOnAFullDiskKeepsTheOldFile() {
    if (RanOnFullDisk()) {
        return;
    }
    struct Case {
        const char* model;
        int format;
        QString name;
    };
    // Data files of 8192 and 131071 bytes, metafiles of about 10 KB, bitmaps of hundreds of
    // KB, text of both sizes: below and above the 16 KB a buffering writer holds back.
    const Case cases[] = {{"v5", 1, "saved.Rn"},  {"v7", 1, "saved.Rn"},  {"v5", 4, "saved.txt"},
                          {"v7", 4, "saved.txt"}, {"v7", 2, "chart.Bmp"}, {"v7", 3, "chart.Wmf"},
                          {"v5", 3, "chart.Wmf"}};
    QTemporaryDir disk;
    for (const Case& c : cases) {
        WindowUnderTest w;
        w.window->resize(900, 500);
        w.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.window.get()));
        w.Open(SamplePath(c.model));
        w.Choose(1);
        // What the save writes with room to spare.
        const QString elsewhere = w.WorkingFile(c.name);
        w.Save(elsewhere, c.format);
        QVERIFY2(w.dialogs.messages.isEmpty(), qPrintable(w.dialogs.messages.join('\n')));
        const QByteArray whole = ReadAll(elsewhere);
        QVERIFY(whole.size() > 1000);

        const QString target = disk.filePath(c.name);
        WriteOld(target);
        for (const qint64 free : {qint64{0}, qint64{whole.size() / 2}}) {
            const QString what =
                QStringLiteral("%1 %2 with %3 bytes free").arg(c.model, c.name).arg(free);
            w.dialogs.messages.clear();
            w.Choose(1);  // the error message of the last round hid the chart
            FillDisk(disk.path(), free);
            w.Save(target, c.format);
            FillDisk(disk.path(), -1);
            ExpectRefusal(w.dialogs.messages, c.name);
            QVERIFY2(ReadAll(target) == Old(c.name), qPrintable(what));
            QCOMPARE(Entries(disk.path()), QStringList{c.name});
        }
        // With room again, the very bytes it writes elsewhere.
        w.dialogs.messages.clear();
        w.Choose(1);
        w.Save(target, c.format);
        QVERIFY(w.dialogs.messages.isEmpty());
        QVERIFY2(ReadAll(target) == whole, qPrintable(c.name));
        QFile::remove(target);
    }
}

void FilesTest::printingToAFullDiskKeepsTheOldPdf() {
    if (RanOnFullDisk()) {
        return;
    }
    WindowUnderTest w;
    w.window->resize(900, 500);
    w.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.window.get()));
    w.Open(SamplePath("v7"));
    w.Choose(3);
    w.dialogs.printTo = w.WorkingFile("whole.pdf");
    Click(*w.window, "printButton");
    QVERIFY(w.dialogs.messages.isEmpty());
    const qint64 size = QFileInfo(w.dialogs.printTo).size();
    QVERIFY(size > 1000);

    // A folder that is not there.
    w.dialogs.printTo = w.WorkingFile("nowhere/chart.pdf");
    Click(*w.window, "printButton");
    QCOMPARE(w.dialogs.messages,
             QStringList{"Cannot write \"chart.pdf\": No such file or directory."});

    QTemporaryDir disk;
    w.dialogs.printTo = disk.filePath("chart.pdf");
    WriteOld(w.dialogs.printTo);
    for (const qint64 free : {qint64{0}, size / 2, size - 1}) {
        w.dialogs.messages.clear();
        w.Choose(3);
        FillDisk(disk.path(), free);
        Click(*w.window, "printButton");
        FillDisk(disk.path(), -1);
        ExpectRefusal(w.dialogs.messages, QStringLiteral("chart.pdf"));
        QVERIFY(ReadAll(w.dialogs.printTo) == Old(QStringLiteral("chart.pdf")));
        QCOMPARE(Entries(disk.path()), QStringList{"chart.pdf"});
    }
    // The printer keeps its orientation when the page fails as well.
    QCOMPARE(w.window->Printer().pageLayout().orientation(), QPageLayout::Portrait);
    w.dialogs.messages.clear();
    Click(*w.window, "printButton");
    QVERIFY(w.dialogs.messages.isEmpty());
    QVERIFY(ReadAll(w.dialogs.printTo).startsWith("%PDF"));
}

void FilesTest::theReadOutsTemporaryFilesAreWholeOrAsTheyWere() {
    if (RanOnFullDisk()) {
        return;
    }
    const QStringList names = {"V5C.tmp", "V7.tmp", "V7E.csv", "v5dat.tmp", "debug.tmp"};
    QHash<QString, QByteArray> whole;
    {
        WindowUnderTest w;
        LoadSampleIntoKelmor(*w.bus, "v7");
        Click(*w.window, "readOutButton");
        QVERIFY(w.dialogs.messages.isEmpty());
        for (const QString& name : names) {
            whole[name] = ReadAll(w.WorkingFile(name));
            QVERIFY(!whole[name].isEmpty());
        }
    }
    // Nothing, part of the register block, part of the image, the image but not the sample
    // list, everything but part of the memo.
    const qint64 total = whole["V5C.tmp"].size() + whole["V7.tmp"].size() +
                         whole["V7E.csv"].size() + whole["v5dat.tmp"].size() +
                         whole["debug.tmp"].size();
    for (const qint64 free : {qint64{0}, qint64{500}, qint64{70000}, qint64{140000}, total - 10}) {
        WindowUnderTest w;
        MainWindow& f = *w.window;
        LoadSampleIntoKelmor(*w.bus, "v7");
        for (const QString& name : names) {
            WriteOld(w.WorkingFile(name));
        }
        FillDisk(w.folder.path(), free);
        Click(f, "readOutButton");
        FillDisk(w.folder.path(), -1);
        // The read-out is shown all the same.
        QCOMPARE(Child<QComboBox>(f, "measurementList")->count(), 9);
        const QString messages = w.dialogs.messages.join('\n');
        int kept = 0;
        for (const QString& name : names) {
            const QByteArray now = ReadAll(w.WorkingFile(name));
            const QString what = QStringLiteral("%1 with %2 bytes free").arg(name).arg(free);
            if (now == Old(name)) {
                ++kept;
                QVERIFY2(
                    messages.contains(QStringLiteral("\"%1\": No space left on device.").arg(name)),
                    qPrintable(what + ": " + messages));
            } else {
                QVERIFY2(now == whole[name], qPrintable(what));
            }
        }
        QVERIFY2(kept > 0, "the disk was never full");
        QCOMPARE(Entries(w.folder.path()).size(), names.size());
    }
}

void FilesTest::whatIsNotARegularFileIsRefusedWithoutWaiting() {
    const TimeLimit limit(std::chrono::seconds(60), "opening what is not a file");
    WindowUnderTest w;
    MainWindow& f = *w.window;
    w.Open(SamplePath("v7"));
    const int items = Child<QComboBox>(f, "measurementList")->count();
    const QString fifo = w.WorkingFile("fifo.Rn");
    QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QVERIFY(QDir(w.folder.path()).mkdir("folder.Rn"));
    // The dialog would add ".Rn" to a device's name: devices come as the file argument only.
    for (const QString& path : {fifo, w.WorkingFile("folder.Rn"), QStringLiteral("/dev/zero")}) {
        const QString refusal =
            QStringLiteral("\"%1\" is not a regular file.").arg(QFileInfo(path).fileName());
        if (path.endsWith(QLatin1String(".Rn"))) {
            // Typed into the Open dialog.
            w.dialogs.messages.clear();
            w.Open(path);
            QCOMPARE(w.dialogs.messages, QStringList{refusal});
        }
        // Handed to the program as its file argument.
        w.dialogs.messages.clear();
        QVERIFY(!f.OpenDataFile(path));
        QCOMPARE(w.dialogs.messages, QStringList{refusal});
        QCOMPARE(f.windowTitle(), QStringLiteral("kelmor-v7.Rn"));
        QCOMPARE(Child<QComboBox>(f, "measurementList")->count(), items);
    }
}

// The window program itself, as a user starts it under ulimit -f: the sample list of the
// V7 sample ("v5dat.tmp", some 350 KB) is beyond the limit.
void FilesTest::aFileSizeLimitDoesNotEndTheWindowProgram() {
    QTemporaryDir folder;
    QProcess program;
    program.setWorkingDirectory(folder.path());
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.setChildProcessModifier([] {
        const rlimit limit{65536, 65536};
        setrlimit(RLIMIT_FSIZE, &limit);
    });
    program.start(QStringLiteral(KELMOR_DEMO), {SamplePath("v7")});
    QVERIFY(program.waitForStarted());
    // The memo, written after the sample list, shows that the program got past it.
    const QString memo = folder.filePath("debug.tmp");
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(memo).size() > 0 || program.state() == QProcess::NotRunning,
                             120000);
    QCOMPARE(program.state(), QProcess::Running);
    QVERIFY(!QFile::exists(folder.filePath("v5dat.tmp")));
    // Beside the demonstration's own archive, only the memo: no fragment of the sample list.
    QStringList entries = Entries(folder.path());
    entries.removeIf([](const QString& name) { return name.startsWith("demo-archive.sqlite"); });
    QCOMPARE(entries, QStringList{"debug.tmp"});
    program.kill();
    program.waitForFinished();
}

QTEST_MAIN(FilesTest)
#include "files_test.moc"
