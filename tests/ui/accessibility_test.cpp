// What a screen reader finds in the window: every control, menu item, list, the chart, the
// summary panel, the progress and Cancel with a name, and every instrument command on the
// keyboard as well as on the tool bar.
#include <QAccessible>
#include <QAccessibleInterface>
#include <QMenu>
#include <QMenuBar>
#include <QTreeWidget>
#include <QtTest>

#include "../archive/survey_scenario.h"
#include "ui/archive/deployment_dialog.h"
#include "ui/archive/instruments_dialog.h"
#include "ui/archive/site_dialog.h"
#include "ui/archive/site_report_dialog.h"
#include "window_harness.h"

using namespace kelmor;
using namespace kelmor::testing;

class AccessibilityTest : public QObject {
    Q_OBJECT

  private slots:
    void everyInteractiveElementHasAName();
    void theChartAndTheSummaryAreNamedAndDescribed();
    void theInstrumentCommandsAreOnTheKeyboard();
    void theSurveysPanelAndDialogsNameEveryControl();
};

namespace {

bool Interactive(QAccessible::Role role) {
    switch (role) {
        case QAccessible::PushButton:
        case QAccessible::ButtonMenu:
        case QAccessible::ButtonDropDown:
        case QAccessible::CheckBox:
        case QAccessible::RadioButton:
        case QAccessible::ComboBox:
        case QAccessible::MenuItem:
        case QAccessible::PageTab:
        case QAccessible::ListItem:
        case QAccessible::ProgressBar:
        case QAccessible::EditableText:
        case QAccessible::SpinBox:
        case QAccessible::Slider:
        case QAccessible::Graphic:
        case QAccessible::Chart:
        case QAccessible::List:
            return true;
        default:
            return false;
    }
}

QString Describe(QAccessibleInterface* node) {
    const QObject* object = node->object();
    return QStringLiteral("%1 (role 0x%2, object %3 \"%4\")")
        .arg(node->text(QAccessible::Description))
        .arg(int(node->role()), 0, 16)
        .arg(object ? QLatin1String(object->metaObject()->className()) : QLatin1String("-"))
        .arg(object ? object->objectName() : QString());
}

// Every interactive element under `node` without a name, with `seen` counting them all.
void CollectNameless(QAccessibleInterface* node, QStringList& nameless, int& seen, int depth = 0) {
    if (node == nullptr || !node->isValid() || depth > 40) {
        return;
    }
    if (Interactive(node->role())) {
        ++seen;
        if (node->text(QAccessible::Name).trimmed().isEmpty()) {
            nameless << Describe(node);
        }
    }
    for (int i = 0; i < node->childCount(); ++i) {
        CollectNameless(node->child(i), nameless, seen, depth + 1);
    }
}

}  // namespace

void AccessibilityTest::everyInteractiveElementHasAName() {
    WindowUnderTest w;
    MainWindow& f = *w.window;
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    w.Open(SamplePath("v7"));
    w.Choose(3);
    Click(f, "readOutButton");  // the trigger-level button appears with a read-out
    Trigger(f, "summaryAction");

    QStringList nameless;
    int seen = 0;
    CollectNameless(QAccessible::queryAccessibleInterface(&f), nameless, seen);
    // The menus open as windows of their own: their items are walked from each menu.
    for (QMenu* menu : f.findChildren<QMenu*>()) {
        CollectNameless(QAccessible::queryAccessibleInterface(menu), nameless, seen);
    }
    QVERIFY2(nameless.isEmpty(), qPrintable(QStringLiteral("without a name:\n  ") +
                                            nameless.join(QStringLiteral("\n  "))));
    QVERIFY2(seen > 60, qPrintable(QString::number(seen)));
}

void AccessibilityTest::theChartAndTheSummaryAreNamedAndDescribed() {
    WindowUnderTest w;
    MainWindow& f = *w.window;
    for (const char* name :
         {"chart", "summaryPanel", "exchangeProgress", "measurementList", "meanIntervalList",
          "readOutButton", "clockButton", "eraseButton", "triggerLevelButton"}) {
        QAccessibleInterface* node = QAccessible::queryAccessibleInterface(Child<QWidget>(f, name));
        QVERIFY2(node != nullptr, name);
        QVERIFY2(!node->text(QAccessible::Name).isEmpty(), name);
        QVERIFY2(!node->text(QAccessible::Description).isEmpty(), name);
    }
}

void AccessibilityTest::theInstrumentCommandsAreOnTheKeyboard() {
    WindowUnderTest w;
    MainWindow& f = *w.window;
    LoadSampleIntoKelmor(*w.bus, "v7");
    f.show();
    f.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&f));

    // The read-out from the keyboard, then, with a measurement on show and the tool bar out
    // of the keyboard's reach, the other instrument commands.
    QTest::keyClick(&f, Qt::Key_L, Qt::ControlModifier);
    QVERIFY(f.State().levelShown);
    w.Choose(3);
    QVERIFY(f.State().chartShown);
    const auto last = [](const QStringList& list) { return list.value(list.size() - 1); };
    QTest::keyClick(&f, Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(last(w.dialogs.messages),
             QStringLiteral("The Kelmor clock will be syncronized with the clock in your PC!"));
    QTest::keyClick(&f, Qt::Key_L, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(last(w.dialogs.dialogsShown), QStringLiteral("triggerLevelDialog"));
    w.dialogs.AnswerNext(QMessageBox::Cancel);
    QTest::keyClick(&f, Qt::Key_E, Qt::ControlModifier | Qt::ShiftModifier);
    QVERIFY(last(w.dialogs.messages).startsWith(QStringLiteral("The measurements in the Kelmor")));

    // Alt+I opens the Instrument menu; Return takes its first item, the read-out.
    w.bus->Kelmor()->ClearRecord();
    QMenu* menu = Child<QMenu>(f, "instrumentMenu");
    QTest::keyClick(&f, Qt::Key_I, Qt::AltModifier);
    QTRY_VERIFY(menu->isVisible());
    QTest::keyClick(menu, Qt::Key_Return);
    QTRY_VERIFY(!w.bus->Kelmor()->ReceivedCommands().empty());
    QTRY_VERIFY(!menu->isVisible());

    // Every shortcut of the window is given once.
    QHash<QKeySequence, QString> owners;
    for (QAction* action : f.findChildren<QAction*>()) {
        if (action->shortcut().isEmpty()) {
            continue;
        }
        QVERIFY2(!owners.contains(action->shortcut()),
                 qPrintable(action->text() + QStringLiteral(" and ") +
                            owners.value(action->shortcut())));
        owners.insert(action->shortcut(), action->text());
    }
}

void AccessibilityTest::theSurveysPanelAndDialogsNameEveryControl() {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("archive.sqlite"));
    QCOMPARE(BuildSurveyScenario(path), QString());
    WindowUnderTest w(Model::V7, true, path);
    MainWindow& f = *w.window;
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    Trigger(f, "archivePanelAction");
    // A site chosen: its summary with the duplicates under the list.
    auto* tree = Child<QTreeWidget>(f, "archiveTree");
    tree->setCurrentItem(tree->findItems(SurveyScenario::Site(), Qt::MatchExactly).value(0));
    QVERIFY(Child<QWidget>(f, "duplicateTable")->isVisible());

    OpenResult opened = Archive::Open(path);
    QVERIFY(opened.archive);
    const RunInfo run = opened.archive->Runs().value(0);
    std::vector<std::unique_ptr<QDialog>> dialogs;
    dialogs.push_back(std::make_unique<SiteDialog>(SiteInfo(), QStringList()));
    dialogs.push_back(std::make_unique<DeploymentDialog>(run, Deployment(), QStringList()));
    dialogs.push_back(std::make_unique<InstrumentsDialog>(*opened.archive,
                                                          QDateTime::currentDateTime(), w.dialogs));
    dialogs.push_back(std::make_unique<SiteReportDialog>(QStringLiteral("Site"),
                                                         QStringLiteral("site.pdf"), 100.0, false));

    QStringList nameless;
    int seen = 0;
    CollectNameless(QAccessible::queryAccessibleInterface(Child<QWidget>(f, "archivePanel")),
                    nameless, seen);
    for (const auto& dialog : dialogs) {
        dialog->show();
        CollectNameless(QAccessible::queryAccessibleInterface(dialog.get()), nameless, seen);
    }
    QVERIFY2(nameless.isEmpty(), qPrintable(QStringLiteral("without a name:\n  ") +
                                            nameless.join(QStringLiteral("\n  "))));
    QVERIFY2(seen > 40, qPrintable(QString::number(seen)));
}

QTEST_MAIN(AccessibilityTest)
#include "accessibility_test.moc"
