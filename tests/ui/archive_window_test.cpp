// The radon archive as the window keeps it: every read-out stored at once, a second
// read-out adding only the new hours, places assigned in the Archive panel with the mouse
// and the keyboard, a place drawn in the chart, the year view, the CSV export, Add to
// archive for an opened file, and an archive that cannot be used.
#include <QDockWidget>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

#include "archive/archive.h"
#include "archive_window_suites.h"
#include "simulator/passing_days.h"
#include "ui/archive/year_view.h"
#include "window_harness.h"

using namespace kelmor;
using namespace kelmor::testing;

class ArchiveWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void aReadOutIsStoredAtOnceAndTheNextAddsOnlyNewHours();
    void aPlaceIsAssignedInThePanelAndDrawnAsAReadOutIs();
    void aNewRunIsOfferedThePlaceOfItsInstrumentsPreviousRun();
    void anOpenedFileEntersOnlyWhenAdded();
    void anArchiveThatCannotBeUsedIsSaidAndTheReadOutStays();
};

namespace {

// The archive as another program sees it, through its own connection.
QList<RunInfo> RunsIn(const QString& path) {
    OpenOptions options;
    options.mode = OpenMode::ReadOnly;
    OpenResult opened = Archive::Open(path, options);
    if (!opened.archive) {
        qWarning("%s", qPrintable(opened.error));
        return {};
    }
    return opened.archive->Runs();
}

int HoursIn(const QList<RunInfo>& runs) {
    int hours = 0;
    for (const RunInfo& run : runs) {
        hours += run.hours;
    }
    return hours;
}

struct ArchiveWindow {
    ArchiveWindow() : path(archiveFolder.filePath(QStringLiteral("archive.sqlite"))) {
        w = std::make_unique<WindowUnderTest>(Model::V7, true, path);
        LoadSampleIntoKelmor(*w->bus, "v7");
        w->window->show();
        QVERIFY(QTest::qWaitForWindowExposed(w->window.get()));
    }

    MainWindow& Window() { return *w->window; }
    QTreeWidget* Tree() { return Child<QTreeWidget>(Window(), "archiveTree"); }

    void ShowPanel() {
        QTest::keyClick(w->window.get(), Qt::Key_F8);
        QVERIFY(Child<QDockWidget>(Window(), "archiveDock")->isVisible());
    }

    QTreeWidgetItem* Item(const QString& text) {
        const QList<QTreeWidgetItem*> found =
            Tree()->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
        return found.isEmpty() ? nullptr : found.front();
    }

    // A click on the row's name, as a user gives it: the row may be wider than the panel.
    void ClickItem(QTreeWidgetItem* item) {
        Tree()->scrollToItem(item);
        const QRect row = Tree()->visualItemRect(item);
        QTest::mouseClick(Tree()->viewport(), Qt::LeftButton, {},
                          QPoint(row.left() + 8, row.center().y()));
    }

    void TypePlace(const QString& name) {
        QLineEdit* field = Child<QComboBox>(Window(), "placeName")->lineEdit();
        field->selectAll();
        QTest::keyClicks(field, name);
    }

    QTemporaryDir archiveFolder;
    QString path;
    std::unique_ptr<WindowUnderTest> w;
};

}  // namespace

void ArchiveWindowTest::aReadOutIsStoredAtOnceAndTheNextAddsOnlyNewHours() {
    ArchiveWindow a;
    Click(a.Window(), "readOutButton");
    const QList<RunInfo> first = RunsIn(a.path);
    QVERIFY(!first.isEmpty());
    QCOMPARE(first.size(), Child<QComboBox>(a.Window(), "measurementList")->count() - 1);
    QVERIFY2(a.Window().PanelText(1).startsWith(QStringLiteral("Stored in the archive: ")),
             qPrintable(a.Window().PanelText(1)));
    for (const RunInfo& run : first) {
        QCOMPARE(run.key.serial, QStringLiteral("KLM70412"));
    }

    // The same memory again: nothing new.
    Click(a.Window(), "readOutButton");
    QCOMPARE(a.Window().PanelText(1), QStringLiteral("Already in the archive"));

    // Two days later the current run is longer; the archive gains exactly those hours.
    QCOMPARE(LetDaysPass(*a.w->bus->Kelmor(), 2, RunChoice::Current),
             DaysPassedResult::RunExtended);
    Click(a.Window(), "readOutButton");
    const QList<RunInfo> second = RunsIn(a.path);
    QCOMPARE(second.size(), first.size());
    QCOMPARE(HoursIn(second), HoursIn(first) + 48);
    QCOMPARE(a.Window().PanelText(1),
             QStringLiteral("Stored in the archive: 0 new runs, 48 new hours"));
}

void ArchiveWindowTest::aPlaceIsAssignedInThePanelAndDrawnAsAReadOutIs() {
    ArchiveWindow a;
    Click(a.Window(), "readOutButton");
    a.ShowPanel();
    const QList<RunInfo> runs = RunsIn(a.path);
    const RunInfo run = runs.back();

    // The run just read out is chosen; "Cellar" typed and Assign clicked.
    QTreeWidgetItem* item = a.Tree()->currentItem();
    QVERIFY(item != nullptr);
    QCOMPARE(item->text(0), run.key.serial);
    a.ClickItem(item);
    a.TypePlace(QStringLiteral("Cellar"));
    Click(a.Window(), "assignButton");
    QCOMPARE(RunsIn(a.path).back().place, QStringLiteral("Cellar"));

    // The place chosen and shown: its samples are the chart's, as a read-out's are.
    QTreeWidgetItem* cellar = a.Item(QStringLiteral("Cellar"));
    QVERIFY(cellar != nullptr);
    a.ClickItem(cellar);
    Click(a.Window(), "showButton");
    QVERIFY(a.Window().State().chartShown);
    QVERIFY(a.Window().State().showingArchive);
    QCOMPARE(a.Window().Data().LastSampleIndex + 1, run.hours);
    QCOMPARE(a.Window().windowTitle(), QStringLiteral("Archive: Cellar"));

    // The summary says how far the place is from an annual average.
    QTest::keyClick(&a.Window(), Qt::Key_F9);
    QVERIFY(Child<QLabel>(a.Window(), "summaryAnnual")
                ->text()
                .contains(QStringLiteral("Annual average: none yet")));

    // The year view of the place.
    a.ClickItem(a.Item(QStringLiteral("Cellar")));
    Click(a.Window(), "yearViewButton");
    auto* yearWindow = Child<QDialog>(a.Window(), "yearViewWindow");
    QVERIFY(yearWindow->isVisible());
    QVERIFY(Child<YearView>(*yearWindow, "yearView")->Verdict().contains(QStringLiteral("Cellar")));
    QVERIFY(Child<QTableWidget>(*yearWindow, "monthTable")->rowCount() >= 1);
    yearWindow->close();

    // A place is no data file of the instrument: Save as .Rn refuses, and says so.
    const QString rn = a.w->WorkingFile(QStringLiteral("cellar.Rn"));
    a.w->Save(rn, 1);
    QVERIFY(!QFile::exists(rn));
    QVERIFY(a.w->dialogs.messages.back().contains(QStringLiteral("Export CSV")));

    // Its CSV export: a header and one row per hour.
    const QString csv = a.w->WorkingFile(QStringLiteral("cellar.csv"));
    a.w->dialogs.ChooseFile(csv, 0);
    a.ClickItem(a.Item(QStringLiteral("Cellar")));
    QTest::keyClick(&a.Window(), Qt::Key_X, Qt::ControlModifier | Qt::ShiftModifier);
    const QList<QByteArray> lines = ReadAll(csv).trimmed().split('\n');
    QCOMPARE(lines.size(), run.hours + 1);
    // After the byte-order mark by which spreadsheets know UTF-8.
    QVERIFY(lines.front().startsWith("\xEF\xBB\xBFplace,instrument,model,run start,time"));
    QVERIFY(lines.at(1).startsWith("Cellar,KLM70412,V7,"));

    // Renaming in the panel: the place keeps its runs under the new name.
    a.ClickItem(a.Item(QStringLiteral("Cellar")));
    a.TypePlace(QStringLiteral("Basement"));
    Click(a.Window(), "renameButton");
    QCOMPARE(RunsIn(a.path).back().place, QStringLiteral("Basement"));
    QVERIFY(a.Item(QStringLiteral("Basement")) != nullptr);
    QVERIFY(a.Item(QStringLiteral("Cellar")) == nullptr);

    // A read-out replaces the place: the window no longer names it, and its image saves.
    Click(a.Window(), "readOutButton");
    QVERIFY(!a.Window().State().showingArchive);
    QCOMPARE(a.Window().windowTitle(), QStringLiteral("Kelmor  Computer Interface Version 2.19"));
    a.w->Save(rn, 1);
    QVERIFY(QFile::exists(rn));
}

void ArchiveWindowTest::aNewRunIsOfferedThePlaceOfItsInstrumentsPreviousRun() {
    ArchiveWindow a;
    Click(a.Window(), "readOutButton");
    a.ShowPanel();
    Click(a.Window(), "assignButton");  // nothing typed: nothing happens
    QVERIFY(RunsIn(a.path).back().place.isEmpty());
    a.TypePlace(QStringLiteral("Bedroom 1st floor"));
    Click(a.Window(), "assignButton");

    QCOMPARE(LetDaysPass(*a.w->bus->Kelmor(), 3, RunChoice::New), DaysPassedResult::RunStarted);
    Click(a.Window(), "readOutButton");
    const RunInfo newest = RunsIn(a.path).back();
    QCOMPARE(newest.hours, 72);
    QVERIFY(newest.place.isEmpty());  // offered, not assigned without the user
    QCOMPARE(newest.offeredPlace, QStringLiteral("Bedroom 1st floor"));

    // The new run is chosen with the offer in the field: Assign confirms it.
    QCOMPARE(Child<QComboBox>(a.Window(), "placeName")->currentText(),
             QStringLiteral("Bedroom 1st floor"));
    QVERIFY(a.Tree()->currentItem()->text(5).contains(QStringLiteral("offered")));
    Click(a.Window(), "assignButton");
    QCOMPARE(RunsIn(a.path).back().place, QStringLiteral("Bedroom 1st floor"));
}

void ArchiveWindowTest::anOpenedFileEntersOnlyWhenAdded() {
    ArchiveWindow a;
    QAction* add = Child<QAction>(a.Window(), "addToArchiveAction");
    QVERIFY(!add->isEnabled());
    a.w->Open(SamplePath("v6"));
    QVERIFY(RunsIn(a.path).isEmpty());
    QVERIFY(add->isEnabled());

    a.w->dialogs.ownAnswers.push_back([](QDialog& dialog) {
        auto& ask = static_cast<QInputDialog&>(dialog);
        if (!ask.comboBoxItems().contains(QStringLiteral("unknown instrument"))) {
            return int(QDialog::Rejected);
        }
        ask.setTextValue(QStringLiteral("KLM60001"));
        return int(QDialog::Accepted);
    });
    QTest::keyClick(&a.Window(), Qt::Key_D, Qt::ControlModifier | Qt::ShiftModifier);
    const QList<RunInfo> runs = RunsIn(a.path);
    QVERIFY(!runs.isEmpty());
    for (const RunInfo& run : runs) {
        QCOMPARE(run.key.serial, QStringLiteral("KLM60001"));
        QCOMPARE(run.model, Model::V6);
    }
    QVERIFY(!add->isEnabled());  // added once
}

void ArchiveWindowTest::anArchiveThatCannotBeUsedIsSaidAndTheReadOutStays() {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("archive.sqlite"));
    const QByteArray garbage(8192, 'x');
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(garbage);
    }
    WindowUnderTest w(Model::V7, true, path);
    LoadSampleIntoKelmor(*w.bus, "v7");
    QVERIFY(!Child<QAction>(*w.window, "exportArchiveAction")->isEnabled());
    QVERIFY(Child<QLabel>(*w.window, "archiveStatus")
                ->text()
                .contains(QStringLiteral("archive.sqlite")));

    Click(*w.window, "readOutButton");
    QVERIFY(Child<QComboBox>(*w.window, "measurementList")->count() > 1);  // loaded all the same
    QVERIFY(!w.dialogs.messages.isEmpty());
    QVERIFY2(w.dialogs.messages.back().startsWith(
                 QStringLiteral("The read-out was not stored in the archive: ")),
             qPrintable(w.dialogs.messages.back()));
    QVERIFY(w.dialogs.messages.back().contains(QStringLiteral("archive.sqlite")));
    QCOMPARE(ReadAll(path), garbage);  // never "repaired"
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ArchiveWindowTest test;
    const int failures = QTest::qExec(&test, argc, argv) + RunSurveyWindowTests(argc, argv);
    return failures == 0 ? 0 : 1;
}

#include "archive_window_test.moc"
