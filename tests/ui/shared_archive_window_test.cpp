// The window on an archive several PCs share, on the test's PostgreSQL server: a read-out
// the archive cannot take is kept on this PC and stored at the next refresh; what another
// program stored appears at the next refresh, which the watch makes every minute; and the
// archive's location chosen in its dialog, tested there and kept.
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

#include "archive/archive.h"
#include "archive/location_setting.h"
#include "test_archives.h"
#include "window_harness.h"

using namespace kelmor;
using namespace kelmor::testing;

class SharedArchiveWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void aReadOutKeptWhileTheServerIsAwayIsStoredAtTheNextRefresh();
    void theArchivesLocationIsChosenTestedAndKept();
};

namespace {

int KeptFiles(const WindowUnderTest& w) {
    return static_cast<int>(
        QDir(w.WorkingFile(QStringLiteral("pending"))).entryList(QDir::Files).size());
}

QList<RunInfo> RunsIn(const QString& location) {
    OpenResult opened = Archive::Open(location, {OpenMode::ReadOnly, 2000});
    return opened.archive ? opened.archive->Runs() : QList<RunInfo>();
}

bool TreeShows(MainWindow& window, const QString& text) {
    return !Child<QTreeWidget>(window, "archiveTree")
                ->findItems(text, Qt::MatchExactly | Qt::MatchRecursive)
                .isEmpty();
}

}  // namespace

void SharedArchiveWindowTest::aReadOutKeptWhileTheServerIsAwayIsStoredAtTheNextRefresh() {
    TestArchives archives;
    const QString location = archives.NewDatabase();
    QVERIFY(!location.isEmpty());
    const QString database = QUrl(location).path().mid(1);
    const QString server = TestArchives::ServerUri();
    WindowUnderTest w(Model::V7, true, location);
    LoadSampleIntoKelmor(*w.bus, "v7");
    w.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.window.get()));
    QVERIFY(Child<QAction>(*w.window, "exportArchiveAction")->isEnabled());

    // The server takes no more connections to the archive and drops the window's.
    QVERIFY(
        RawSql(server, {QStringLiteral("ALTER DATABASE %1 ALLOW_CONNECTIONS false").arg(database),
                        QStringLiteral("SELECT pg_terminate_backend(pid) FROM pg_stat_activity "
                                       "WHERE datname = '%1'")
                            .arg(database)}));
    Click(*w.window, "readOutButton");
    QVERIFY(Child<QComboBox>(*w.window, "measurementList")->count() > 1);  // loaded all the same
    QVERIFY(!w.dialogs.messages.isEmpty());
    const QString message = w.dialogs.messages.back();
    QVERIFY2(message.startsWith(QStringLiteral("The read-out was not stored in the archive: ")),
             qPrintable(message));
    QVERIFY2(message.contains(location), qPrintable(message));
    QVERIFY2(message.contains(QStringLiteral("kept on this PC")), qPrintable(message));
    QCOMPARE(KeptFiles(w), 1);
    QCOMPARE(w.window->PanelText(1),
             QStringLiteral("1 read-out waits to be stored in the archive"));

    // A minute later the watch tries again, still in vain: the read-out stays kept.
    w.clock.Advance(61000);
    w.window->WatchConnection();
    w.clock.Advance(61000);
    w.window->WatchConnection();
    QCOMPARE(KeptFiles(w), 1);

    // The server is back: Refresh (F5) stores it and the kept file goes.
    QVERIFY(
        RawSql(server, {QStringLiteral("ALTER DATABASE %1 ALLOW_CONNECTIONS true").arg(database)}));
    QTest::keyClick(w.window.get(), Qt::Key_F5);
    QVERIFY2(KeptFiles(w) == 0, qPrintable(w.window->PanelText(1)));
    QCOMPARE(w.window->PanelText(1),
             QStringLiteral("Stored 1 read-out kept on this PC in the archive"));
    const QList<RunInfo> stored = RunsIn(location);
    QCOMPARE(stored.size(), Child<QComboBox>(*w.window, "measurementList")->count() - 1);

    // Another PC stores a V6 read-out; the window shows it after the watch's next minute.
    QTest::keyClick(w.window.get(), Qt::Key_F8);
    {
        OpenResult other = Archive::Open(location, {OpenMode::ReadWrite, 2000});
        QVERIFY(other.archive);
        const QByteArray v6 = ReadAll(SamplePath("v6"));
        ArchiveSource source;
        source.image = v6;
        source.model = Model::V6;
        source.serial = QStringLiteral("OTHER-PC-6");
        source.readOutAt = DateTimeFromQt(w.clock.LocalNow());
        const ImportOutcome imported = other.archive->Import(source);
        QVERIFY2(imported.ok, qPrintable(imported.error));
    }
    QVERIFY(!TreeShows(*w.window, QStringLiteral("OTHER-PC-6")));
    w.clock.Advance(30000);
    w.window->WatchConnection();
    QVERIFY(!TreeShows(*w.window, QStringLiteral("OTHER-PC-6")));
    w.clock.Advance(31000);
    w.window->WatchConnection();
    QVERIFY(TreeShows(*w.window, QStringLiteral("OTHER-PC-6")));
}

void SharedArchiveWindowTest::theArchivesLocationIsChosenTestedAndKept() {
    TestArchives archives;
    WindowUnderTest w(Model::V7, true, archives.NewLocation(QStringLiteral("first")));
    w.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.window.get()));
    const QString server = archives.NewDatabase();
    const QString file = archives.Folder().filePath(QStringLiteral("chosen.sqlite"));
    QString tested;
    QString testedServer;
    // Browse... finds a file, Test says none is there yet; then the server's URI typed and
    // tested; OK takes it.
    w.dialogs.ChooseFile(file);
    w.dialogs.ownAnswers.push_back([&](QDialog& dialog) {
        Click(dialog, "archiveBrowseButton");
        Click(dialog, "archiveTestButton");
        tested = Child<QLabel>(dialog, "archiveTestResult")->text();
        QLineEdit* edit = Child<QLineEdit>(dialog, "archiveLocationEdit");
        edit->selectAll();
        QTest::keyClicks(edit, server);
        Click(dialog, "archiveTestButton");
        testedServer = Child<QLabel>(dialog, "archiveTestResult")->text();
        return int(QDialog::Accepted);
    });
    QTest::keySequence(w.window.get(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A));
    QVERIFY2(tested.contains(QStringLiteral("A new one is made there")), qPrintable(tested));
    QVERIFY2(tested.contains(QStringLiteral("chosen.sqlite")), qPrintable(tested));
    QVERIFY2(testedServer.contains(QStringLiteral("the database is empty")),
             qPrintable(testedServer));
    QCOMPARE(LocationSetting(w.WorkingFile(QStringLiteral("kelmor.conf"))).Chosen(), server);
    QVERIFY(Child<QAction>(*w.window, "exportArchiveAction")->isEnabled());

    // The archive is made there at once, and a read-out goes into it.
    LoadSampleIntoKelmor(*w.bus, "v7");
    Click(*w.window, "readOutButton");
    QVERIFY(!RunsIn(server).isEmpty());
    QVERIFY(!QFile::exists(file));

    // A password in the location is refused before anything is kept.
    const QString withPassword =
        QString(server).replace(QStringLiteral("postgres@"), QStringLiteral("postgres:pa55@"));
    w.dialogs.ownAnswers.push_back([&](QDialog& dialog) {
        QLineEdit* edit = Child<QLineEdit>(dialog, "archiveLocationEdit");
        edit->setText(withPassword);
        Click(dialog, "archiveTestButton");
        tested = Child<QLabel>(dialog, "archiveTestResult")->text();
        return int(QDialog::Rejected);
    });
    Trigger(*w.window, "archiveLocationAction");
    QVERIFY2(tested.contains(QStringLiteral("~/.pgpass")), qPrintable(tested));
    QVERIFY(!tested.contains(QStringLiteral("pa55")));
    QCOMPARE(LocationSetting(w.WorkingFile(QStringLiteral("kelmor.conf"))).Chosen(), server);
}

QTEST_MAIN(SharedArchiveWindowTest)
#include "shared_archive_window_test.moc"
