// The survey in the window, driven with the mouse and the keyboard: a site built in the
// Archive panel from a read-out's runs, a deployment and a calibration recorded, the site
// report written; a site removed keeps its places and runs; a surveyed building shows its
// duplicates and overdue calibrations; the dialogs refuse what cannot be recorded.
#include <QCheckBox>
#include <QDateEdit>
#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QDockWidget>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTreeWidget>
#include <QtTest>

#include "../archive/survey_scenario.h"
#include "archive/archive.h"
#include "archive_window_suites.h"
#include "ui/archive/deployment_dialog.h"
#include "ui/archive/site_dialog.h"
#include "ui/archive/site_report_dialog.h"
#include "ui/archive/survey_commands.h"
#include "window_harness.h"

using namespace kelmor;
using namespace kelmor::testing;

class SurveyWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void aSiteIsBuiltInThePanelAndItsReportWritten();
    void removingASiteAsksAndKeepsItsPlacesAndRuns();
    void aSurveyedBuildingShowsItsDuplicatesAndOverdueCalibrations();
    void theDialogsRefuseWhatCannotBeRecorded();
};

namespace {

std::unique_ptr<Archive> Reopened(const QString& path) {
    OpenResult opened = Archive::Open(path, {OpenMode::ReadOnly, 2000});
    if (!opened.archive) {
        qWarning("%s", qPrintable(opened.error));
    }
    return std::move(opened.archive);
}

// The window with its Archive panel open on the archive at `path`.
struct SurveyWindow {
    explicit SurveyWindow(const QString& archivePath) : path(archivePath) {
        w = std::make_unique<WindowUnderTest>(Model::V7, true, path);
        LoadSampleIntoKelmor(*w->bus, "v7");
        w->window->show();
        QVERIFY(QTest::qWaitForWindowExposed(w->window.get()));
        QTest::keyClick(w->window.get(), Qt::Key_F8);
        QVERIFY(Child<QDockWidget>(Window(), "archiveDock")->isVisible());
    }

    MainWindow& Window() { return *w->window; }
    QTreeWidget* Tree() { return Child<QTreeWidget>(Window(), "archiveTree"); }

    QTreeWidgetItem* Item(const QString& text) {
        const QList<QTreeWidgetItem*> found =
            Tree()->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
        return found.isEmpty() ? nullptr : found.front();
    }

    // A click on the row's name, as a user gives it.
    void ClickItem(QTreeWidgetItem* item) {
        QVERIFY(item != nullptr);
        Tree()->scrollToItem(item);
        const QRect row = Tree()->visualItemRect(item);
        QTest::mouseClick(Tree()->viewport(), Qt::LeftButton, {},
                          QPoint(row.left() + 8, row.center().y()));
    }

    void Type(const QKeySequence& shortcut) {
        QTest::keyClick(&Window(), shortcut[0].key(), shortcut[0].keyboardModifiers());
    }

    // The next dialog of the window is answered by `answer`, working it with the mouse and
    // the keyboard as it stands on the screen.
    template <typename Dialog>
    void AnswerWith(std::function<void(Dialog&)> answer) {
        w->dialogs.ownAnswers.push_back([answer](QDialog& dialog) {
            auto* typed = qobject_cast<Dialog*>(&dialog);
            if (typed == nullptr) {
                qWarning("unexpected dialog %s", qPrintable(dialog.objectName()));
                return int(QDialog::Rejected);
            }
            dialog.show();
            answer(*typed);
            dialog.hide();
            return dialog.result();
        });
    }

    QString path;
    std::unique_ptr<WindowUnderTest> w;
};

void ClickOk(QDialog& dialog) {
    QTest::mouseClick(dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok),
                      Qt::LeftButton);
}

QByteArray PdfText(const QString& pdf) {
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    return text.waitForFinished(30000) ? text.readAllStandardOutput() : QByteArray();
}

}  // namespace

void SurveyWindowTest::aSiteIsBuiltInThePanelAndItsReportWritten() {
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty()) {
        QSKIP("pdftotext (poppler-utils) is not installed");
    }
    QTemporaryDir folder;
    SurveyWindow s(folder.filePath(QStringLiteral("archive.sqlite")));
    MainWindow& f = s.Window();
    Click(f, "readOutButton");
    const QList<RunInfo> runs = Reopened(s.path)->Runs();
    QVERIFY(runs.size() >= 2);

    // Two runs in two places, as the panel always did.
    const QStringList places = {QStringLiteral("Cellar"), QStringLiteral("Kitchen")};
    for (int i = 0; i < 2; ++i) {
        s.ClickItem(s.Item(QStringLiteral("Runs in no place"))->child(0));  // runs.at(i)
        QLineEdit* field = Child<QComboBox>(f, "placeName")->lineEdit();
        field->selectAll();
        QTest::keyClicks(field, places.at(i));
        Click(f, "assignButton");
    }
    QVERIFY(s.Item(places.at(1)) != nullptr);
    // No calibration is kept yet and no site surveyed: a homeowner's runs carry no warning.
    QVERIFY(!s.Item(places.front())->child(0)->text(5).contains(QStringLiteral("calibration")));
    QVERIFY(s.Item(places.front())->child(0)->icon(0).isNull());

    // The site, from the keyboard.
    QVERIFY(!Child<QAction>(f, "siteReportAction")->isEnabled());
    s.AnswerWith<SiteDialog>([](SiteDialog& d) {
        QTest::keyClicks(Child<QLineEdit>(d, "siteNameField"), QStringLiteral("Elm Street 12"));
        QTest::keyClicks(Child<QPlainTextEdit>(d, "siteAddressField"),
                         QStringLiteral("12 Elm Street, Springfield"));
        QTest::keyClicks(Child<QLineEdit>(d, "siteClientField"), QStringLiteral("Jordan Doe"));
        ClickOk(d);
    });
    s.Type(Child<QAction>(f, "newSiteAction")->shortcut());
    std::optional<SiteInfo> site = Reopened(s.path)->Site(QStringLiteral("Elm Street 12"));
    QVERIFY(site.has_value());
    QCOMPARE(site->client, QStringLiteral("Jordan Doe"));
    QCOMPARE(site->address, QStringLiteral("12 Elm Street, Springfield"));
    QVERIFY(s.Item(QStringLiteral("Places in no site")) != nullptr);
    QVERIFY(Child<QAction>(f, "siteReportAction")->isEnabled());  // the new site is chosen

    // Both places put in it with the panel's button; the chooser offers the site first.
    for (const QString& place : places) {
        s.ClickItem(s.Item(place));
        s.AnswerWith<QInputDialog>([](QInputDialog& d) {
            QCOMPARE(d.textValue(), QStringLiteral("Elm Street 12"));
            ClickOk(d);
        });
        Click(f, "putInSiteButton");
        QCOMPARE(s.Item(place)->parent()->text(0), QStringLiteral("Elm Street 12"));
    }
    QCOMPARE(Reopened(s.path)->Site(QStringLiteral("Elm Street 12"))->places, places);
    QVERIFY(s.Item(QStringLiteral("Places in no site")) == nullptr);

    // The cellar's run: deployed by a tester, put in place at the run's start.
    QTreeWidgetItem* run = s.Item(places.front())->child(0);
    s.ClickItem(run);
    QVERIFY(run->text(5).contains(QStringLiteral("no calibration recorded")));
    s.AnswerWith<DeploymentDialog>([](DeploymentDialog& d) {
        QTest::keyClicks(Child<QComboBox>(d, "testerField")->lineEdit(),
                         QStringLiteral("Alex Tester"));
        QTest::keyClicks(Child<QLineEdit>(d, "placementField"),
                         QStringLiteral("Cellar, shelf, 1.0 m high, 0.5 m from walls"));
        QVERIFY(!Child<QDateTimeEdit>(d, "deployedAtField")->isEnabled());
        QTest::mouseClick(Child<QCheckBox>(d, "deployedChoice"), Qt::LeftButton);
        QVERIFY(Child<QDateTimeEdit>(d, "deployedAtField")->isEnabled());
        ClickOk(d);
    });
    Click(f, "deploymentButton");
    const Deployment deployment = Reopened(s.path)->DeploymentOf(runs.front().key);
    QCOMPARE(deployment.tester, QStringLiteral("Alex Tester"));
    QCOMPARE(deployment.placement, QStringLiteral("Cellar, shelf, 1.0 m high, 0.5 m from walls"));
    QVERIFY(deployment.deployedAt.has_value());
    QCOMPARE(MillisecondsOf(*deployment.deployedAt),
             MillisecondsOf(RunStartTime(runs.front().key.startMinutes)));
    QVERIFY(!deployment.retrievedAt.has_value());
    run = s.Item(places.front())->child(0);
    QVERIFY(run->text(5).contains(QStringLiteral("tester Alex Tester")));
    QVERIFY(run->toolTip(0).contains(QStringLiteral("Placement: Cellar, shelf")));
    QVERIFY(run->toolTip(0).contains(
        QStringLiteral("Put in place: ") +
        DateTimeToQt(RunStartTime(runs.front().key.startMinutes)).toString("yyyy-MM-dd hh:mm")));

    // A calibration of today: the instrument's warning goes.
    s.AnswerWith<QDialog>([](QDialog& d) {
        QCOMPARE(d.objectName(), QStringLiteral("instrumentsDialog"));
        QVERIFY(Child<QLabel>(d, "calibrationWarning")->isVisible());
        QVERIFY(Child<QLabel>(d, "calibrationWarning")
                    ->text()
                    .contains(QStringLiteral("KLM70412: no calibration recorded")));
        // Enter in the certificate field records it, and leaves the dialog open.
        QTest::keyClicks(Child<QLineEdit>(d, "certificateField"), QStringLiteral("LAB-26-1208"));
        QTest::keyClick(Child<QLineEdit>(d, "certificateField"), Qt::Key_Return);
        QVERIFY(d.isVisible());
        QCOMPARE(Child<QTableWidget>(d, "calibrationTable")->rowCount(), 1);
        QVERIFY(!Child<QLabel>(d, "calibrationWarning")->isVisible());
        // The same date again would be a second record of one calibration.
        QVERIFY(!Child<QPushButton>(d, "addCalibrationButton")->isEnabled());
        QTest::mouseClick(Child<QPushButton>(d, "instrumentsCloseButton"), Qt::LeftButton);
    });
    s.Type(Child<QAction>(f, "instrumentsAction")->shortcut());
    const std::optional<InstrumentInfo> instrument =
        Reopened(s.path)->Instrument(QStringLiteral("KLM70412"));
    QVERIFY(instrument.has_value());
    QCOMPARE(instrument->lastCalibration, QDate(2026, 12, 8));
    QCOMPARE(instrument->calibrations.front().certificate, QStringLiteral("LAB-26-1208"));
    // A calibration of today vouches for no run of the past.
    QVERIFY(s.Item(places.front())
                ->child(0)
                ->text(5)
                .contains(QStringLiteral("no calibration recorded before it")));

    // The site chosen: its duplicates, none yet, said under the list.
    s.ClickItem(s.Item(QStringLiteral("Elm Street 12")));
    QVERIFY(Child<QWidget>(f, "siteSummary")->isVisible());
    QCOMPARE(Child<QLabel>(f, "duplicateShare")->text(),
             QStringLiteral("Duplicates: 0 pairs; places with a duplicate: 0 of 2 (0 %), fewer "
                            "than one in ten."));

    // The report: its file named after the site, the level chosen in its dialog, the hourly
    // data beside it.
    const QString pdf = s.w->WorkingFile(QStringLiteral("elm.pdf"));
    s.w->dialogs.ChooseFile(pdf, 0);
    s.AnswerWith<SiteReportDialog>([](SiteReportDialog& d) {
        auto* ok = d.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
        QVERIFY(!ok->isEnabled());  // the window has no reference level chosen
        auto* level = Child<QComboBox>(d, "siteReportLevel");
        level->setFocus();
        QTest::keyClick(level, Qt::Key_Down);
        QVERIFY(ok->isEnabled());
        QTest::mouseClick(Child<QCheckBox>(d, "siteReportCsvChoice"), Qt::LeftButton);
        ClickOk(d);
    });
    s.Type(Child<QAction>(f, "siteReportAction")->shortcut());
    QCOMPARE(QFileInfo(s.w->dialogs.filePreset).fileName(),
             QStringLiteral("Elm Street 12 radon report.pdf"));
    QVERIFY2(s.w->dialogs.messages.isEmpty(), qPrintable(s.w->dialogs.messages.join('\n')));
    QCOMPARE(f.PanelText(1), QStringLiteral("Site report written: elm.pdf and elm.csv"));
    const QByteArray text = PdfText(pdf);
    QVERIFY(text.contains("Elm Street 12"));
    QVERIFY(text.contains("Jordan Doe"));
    QVERIFY(text.contains("Alex Tester"));
    QVERIFY(ReadAll(s.w->WorkingFile(QStringLiteral("elm.csv"))).contains("Cellar,KLM70412"));

    // A report that cannot be written says so, naming its file (or the data's, written first).
    s.w->dialogs.ChooseFile(s.w->WorkingFile(QStringLiteral("gone/elm.pdf")), 0);
    s.AnswerWith<SiteReportDialog>([](SiteReportDialog& d) {
        // The last report's level and choice of the hourly data are offered again.
        QCOMPARE(d.ReferenceLevelBqm3(), 100.0);
        QVERIFY(Child<QCheckBox>(d, "siteReportCsvChoice")->isChecked());
        ClickOk(d);
    });
    s.Type(Child<QAction>(f, "siteReportAction")->shortcut());
    QVERIFY2(s.w->dialogs.messages.value(0).startsWith(QStringLiteral("Cannot write \"elm.")),
             qPrintable(s.w->dialogs.messages.value(0)));
}

void SurveyWindowTest::removingASiteAsksAndKeepsItsPlacesAndRuns() {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("archive.sqlite"));
    QCOMPARE(BuildSurveyScenario(path), QString());
    const int runs = Reopened(path)->Runs().size();
    SurveyWindow s(path);
    MainWindow& f = s.Window();
    s.ClickItem(s.Item(SurveyScenario::Site()));

    // No: nothing changes.
    s.w->dialogs.AnswerNext(QMessageBox::No);
    Trigger(f, "removeSiteAction");
    QVERIFY(s.w->dialogs.messages.back().contains(
        QStringLiteral("its places and their runs stay in the archive")));
    QVERIFY(Reopened(path)->Site(SurveyScenario::Site()).has_value());

    // Yes: the site goes; its places, their runs and deployments stay.
    s.w->dialogs.AnswerNext(QMessageBox::Yes);
    Trigger(f, "removeSiteAction");
    std::unique_ptr<Archive> archive = Reopened(path);
    QVERIFY(archive->Sites().isEmpty());
    QCOMPARE(archive->Places().size(), 3);
    QCOMPARE(archive->Runs().size(), runs);
    QCOMPARE(archive->DeploymentOf(SurveyScenario::BasementB()).deviations,
             SurveyScenario::Deviation());
    // Without sites, the places stand at the top of the list again.
    QVERIFY(s.Item(SurveyScenario::Basement())->parent() == nullptr);
    QVERIFY(s.Item(QStringLiteral("Places in no site")) == nullptr);
    QVERIFY(!Child<QAction>(f, "putInSiteAction")->isEnabled());
    QCOMPARE(f.PanelText(1),
             QStringLiteral("Site Maple Street 12 removed; its places and runs stay"));
}

void SurveyWindowTest::aSurveyedBuildingShowsItsDuplicatesAndOverdueCalibrations() {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("archive.sqlite"));
    QCOMPARE(BuildSurveyScenario(path), QString());
    SurveyWindow s(path);
    MainWindow& f = s.Window();

    // SN-B's calibration of 2024-11-30 was overdue for its runs of January 2026; SN-A's not.
    QTreeWidgetItem* bedroom = s.Item(SurveyScenario::Bedroom());
    QCOMPARE(bedroom->parent()->text(0), SurveyScenario::Site());
    QCOMPARE(bedroom->child(0)->text(0), SurveyScenario::SerialB());
    QVERIFY(bedroom->child(0)->text(5).contains(
        QStringLiteral("calibration overdue (last 2024-11-30)")));
    QVERIFY(!bedroom->child(0)->icon(0).isNull());
    QTreeWidgetItem* living = s.Item(SurveyScenario::LivingRoom())->child(0);
    QVERIFY(!living->text(5).contains(QStringLiteral("calibration")));
    QVERIFY(living->icon(0).isNull());
    QVERIFY(living->text(5).contains(QStringLiteral("tester Alex Tester")));
    // A site has no figure of its own: rooms are never averaged.
    QVERIFY(s.Item(SurveyScenario::Site())->text(4).isEmpty());

    // A place of the site chosen shows the site's duplicates.
    s.ClickItem(s.Item(SurveyScenario::Bedroom()));
    QCOMPARE(Child<QLabel>(f, "duplicateShare")->text(),
             QStringLiteral("Duplicates: 1 pair; places with a duplicate: 1 of 3 (33 %)."));
    auto* pairs = Child<QTableWidget>(f, "duplicateTable");
    QCOMPARE(pairs->rowCount(), 1);
    QCOMPARE(pairs->item(0, 0)->text(), SurveyScenario::Basement());
    QCOMPARE(pairs->item(0, 1)->text(), QStringLiteral("SN-A / SN-B"));
    QCOMPARE(pairs->item(0, 2)->text(), QStringLiteral("46"));
    QCOMPARE(pairs->item(0, 3)->text(), QStringLiteral("300 / 220"));
    QCOMPARE(pairs->item(0, 4)->text(), QStringLiteral("30.8"));

    // The instruments: SN-B's warning and factor. A calibration made after its runs vouches
    // for none of them.
    s.ClickItem(s.Item(SurveyScenario::Bedroom())->child(0));
    s.AnswerWith<QDialog>([](QDialog& d) {
        auto* list = Child<QTreeWidget>(d, "instrumentList");
        QCOMPARE(list->currentItem()->text(0), SurveyScenario::SerialB());  // the run's
        QCOMPARE(list->currentItem()->text(4),
                 QStringLiteral("calibration overdue (last 2024-11-30)"));
        QCOMPARE(list->topLevelItem(0)->text(4),
                 QStringLiteral("calibration overdue (last 2025-06-01)"));
        QCOMPARE(Child<QTableWidget>(d, "factorTable")->item(0, 0)->text(), QStringLiteral("5.50"));
        Child<QDateEdit>(d, "calibrationDateField")->setDate(QDate(2026, 2, 1));
        QTest::keyClicks(Child<QLineEdit>(d, "certificateField"), QStringLiteral("LAB-26-0201"));
        QTest::mouseClick(Child<QPushButton>(d, "addCalibrationButton"), Qt::LeftButton);
        QCOMPARE(list->currentItem()->text(4), QStringLiteral("next due 2027-02-01"));
        QTest::mouseClick(Child<QPushButton>(d, "instrumentsCloseButton"), Qt::LeftButton);
    });
    Trigger(f, "instrumentsAction");
    QVERIFY(s.Item(SurveyScenario::Bedroom())
                ->child(0)
                ->text(5)
                .contains(QStringLiteral("calibration overdue (last 2024-11-30)")));

    // Forget instrument... asks, and keeps the instrument's runs.
    s.AnswerWith<QDialog>([&s](QDialog& d) {
        auto* list = Child<QTreeWidget>(d, "instrumentList");
        s.w->dialogs.AnswerNext(QMessageBox::No);
        QTest::mouseClick(Child<QPushButton>(d, "forgetInstrumentButton"), Qt::LeftButton);
        QCOMPARE(Child<QTableWidget>(d, "calibrationTable")->rowCount(), 2);
        s.w->dialogs.AnswerNext(QMessageBox::Yes);
        QTest::mouseClick(Child<QPushButton>(d, "forgetInstrumentButton"), Qt::LeftButton);
        QVERIFY(s.w->dialogs.messages.back().contains(
            QStringLiteral("Its sources, runs and samples stay in the archive.")));
        QCOMPARE(list->currentItem()->text(0), SurveyScenario::SerialB());
        QCOMPARE(Child<QTableWidget>(d, "calibrationTable")->rowCount(), 0);
        QTest::mouseClick(Child<QPushButton>(d, "instrumentsCloseButton"), Qt::LeftButton);
    });
    Trigger(f, "instrumentsAction");
    std::unique_ptr<Archive> archive = Reopened(path);
    QVERIFY(archive->Instrument(SurveyScenario::SerialB())->calibrations.isEmpty());
    QCOMPARE(archive->RunsOfPlace(SurveyScenario::Bedroom()).size(), 1);
    QVERIFY(archive->DeploymentOf(SurveyScenario::BedroomB()).tester.isEmpty());
    QVERIFY(s.Item(SurveyScenario::Bedroom())
                ->child(0)
                ->text(5)
                .contains(QStringLiteral("no calibration recorded")));
}

void SurveyWindowTest::theDialogsRefuseWhatCannotBeRecorded() {
    // A site's name is its own, whatever the case, and never empty.
    SiteDialog site(SiteInfo{QStringLiteral("Elm Street 12"), {}, {}, {}, {}},
                    {QStringLiteral("Oak Lane 3")});
    site.show();
    auto* name = Child<QLineEdit>(site, "siteNameField");
    auto* ok = Child<QPushButton>(site, "siteOkButton");
    QVERIFY(ok->isEnabled());
    name->selectAll();
    QTest::keyClicks(name, QStringLiteral("oak lane 3"));
    QVERIFY(!ok->isEnabled());
    QVERIFY(Child<QLabel>(site, "siteProblem")->isVisible());
    name->selectAll();
    QTest::keyClick(name, Qt::Key_Delete);
    QTest::keyClicks(name, QStringLiteral("   "));
    QVERIFY(!ok->isEnabled());
    QTest::keyClicks(name, QStringLiteral("Oak Lane 5  "));
    QVERIFY(ok->isEnabled());
    QCOMPARE(site.Site().name, QStringLiteral("Oak Lane 5"));

    // An instrument is not taken away before it is put in place.
    RunInfo run;
    run.key = {QStringLiteral("KLM70412"),
               RunStartMinutes(DateTimeFromQt(QDateTime(QDate(2026, 1, 5), QTime(10, 0))))};
    run.last = DateTimeFromQt(QDateTime(QDate(2026, 1, 7), QTime(10, 0)));
    DeploymentDialog deployment(run, Deployment(), {});
    deployment.show();
    auto* accept = Child<QPushButton>(deployment, "deploymentOkButton");
    QTest::mouseClick(Child<QCheckBox>(deployment, "retrievedChoice"), Qt::LeftButton);
    Child<QDateTimeEdit>(deployment, "retrievedAtField")
        ->setDateTime(QDateTime(QDate(2026, 1, 5), QTime(9, 0)));
    QVERIFY(!accept->isEnabled());
    QVERIFY(Child<QLabel>(deployment, "deploymentProblem")->isVisible());
    QTest::mouseClick(Child<QCheckBox>(deployment, "retrievedChoice"), Qt::LeftButton);
    QVERIFY(accept->isEnabled());
    QVERIFY(!deployment.Result().deployedAt && !deployment.Result().retrievedAt);

    // The window's reference level is the report's; the CSV never takes the PDF's name.
    SiteReportDialog report(QStringLiteral("Elm"), QStringLiteral("/tmp/elm.pdf"), 148.0, true);
    QCOMPARE(report.ReferenceLevelBqm3(), 148.0);
    QVERIFY(report.WithCsv());
    SiteReportDialog typed(QStringLiteral("Elm"), QStringLiteral("/tmp/elm.pdf"), 250.0, false);
    QCOMPARE(typed.ReferenceLevelBqm3(), 250.0);
    QCOMPARE(SiteReportDialog::CsvPathFor(QStringLiteral("/tmp/a/elm.PDF")),
             QStringLiteral("/tmp/a/elm.csv"));
    QCOMPARE(SiteReportDialog::CsvPathFor(QStringLiteral("/tmp/a/elm.csv")),
             QStringLiteral("/tmp/a/elm.csv.csv"));

    // A site's name in a file's: no folders, nothing a file system refuses.
    QCOMPARE(FileNameOfSite(QStringLiteral("Flat 2/3: \"Rose\"?")),
             QStringLiteral("Flat 2-3- -Rose--"));
    QCOMPARE(FileNameOfSite(QStringLiteral("..")), QStringLiteral("Site"));
}

int RunSurveyWindowTests(int argc, char** argv) {
    SurveyWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "survey_window_test.moc"
