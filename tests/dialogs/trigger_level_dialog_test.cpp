#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <vector>

#include "dialog_test_helpers.h"
#include "suites.h"
#include "ui/dialogs/circle_shape.h"
#include "ui/dialogs/trigger_level_dialog.h"
#include "ui/dialogs/up_down.h"

using kelmor::TriggerLevelDialog;

namespace {

struct SetCall {
    int level;
    bool flash;
};

// A dialog whose "Set" handler records what it was given.
struct RecordingTrigger {
    RecordingTrigger() {
        dialog.SetHandler([this](int level, bool flash) {
            calls.push_back({level, flash});
            stillShownWhenCalled = dialog.isVisible();
        });
    }
    TriggerLevelDialog dialog;
    std::vector<SetCall> calls;
    bool stillShownWhenCalled = false;
};

void Click(QWidget* widget) {
    QTest::mouseClick(widget, Qt::LeftButton);
}

// Two widgets on one line, the second to the right of the first.
bool Beside(const QWidget* left, const QWidget* right) {
    return std::abs(left->geometry().center().y() - right->geometry().center().y()) <= 4 &&
           right->x() > left->geometry().right();
}

}  // namespace

class TriggerDialogTest : public QObject {
    Q_OBJECT

  private slots:
    void controlsStartAsDefined() {
        TriggerLevelDialog t;
        QCOMPARE(t.objectName(), QString("triggerLevelDialog"));
        QCOMPARE(t.windowTitle(), QString("Trigger level"));
        const Qt::WindowFlags flags = t.windowFlags();
        QVERIFY((flags & Qt::WindowType_Mask) == Qt::Tool);
        QVERIFY(flags & Qt::WindowStaysOnTopHint);
        QVERIFY(!(flags & (Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinMaxButtonsHint)));

        QCOMPARE(Child<kelmor::CircleShape>(t, "highLamp")->objectName(), QString("highLamp"));
        QCOMPARE(Child<kelmor::CircleShape>(t, "highLamp")->Fill(), QColor(Qt::red));
        QCOMPARE(Child<kelmor::CircleShape>(t, "lowLamp")->objectName(), QString("lowLamp"));
        QCOMPARE(Child<kelmor::CircleShape>(t, "lowLamp")->Fill(), QColor(0, 255, 0));
        QCOMPARE(Child<QLabel>(t, "highLabel")->text(), QString("High Level"));
        QCOMPARE(Child<QLabel>(t, "lowLabel")->text(), QString("Low Level"));
        QVERIFY(Beside(Child<kelmor::CircleShape>(t, "highLamp"), Child<QLabel>(t, "highLabel")));
        QVERIFY(Beside(Child<kelmor::CircleShape>(t, "lowLamp"), Child<QLabel>(t, "lowLabel")));
        QCOMPARE(t.findChild<QLabel*>("triggerLabel")->text(),
                 QString("Trigger between Low and High level at"));
        QCOMPARE(t.findChild<QLabel*>("unitLabel")->text(), QString("Bq/m3"));

        auto* edit = t.findChild<QLineEdit*>("levelEdit");
        QVERIFY(edit != nullptr && edit->isReadOnly() && edit->isEnabled());
        QCOMPARE(edit->text(), QString("200"));
        auto* upDown = t.findChild<kelmor::UpDown*>("levelUpDown");
        QVERIFY(upDown != nullptr);
        QCOMPARE(upDown->Minimum(), 50);
        QCOMPARE(upDown->Maximum(), 2000);
        QCOMPARE(upDown->Increment(), 25);
        QCOMPARE(upDown->Position(), 200);
        auto* flash = t.findChild<QCheckBox*>("flashCheckBox");
        QVERIFY(flash != nullptr && !flash->isChecked());
        QCOMPARE(flash->text(), QString("Flash RED/GREEN"));
        QCOMPARE(t.findChild<QPushButton*>("setButton")->text(), QString("Set"));
        QCOMPARE(t.findChild<QPushButton*>("cancelButton")->text(), QString("Cancel"));
        QVERIFY(Child<QPushButton>(t, "setButton")->isDefault());
    }

    void everyTextFitsInTheDialog() {
        TriggerLevelDialog t;
        for (const QWidget* child : t.findChildren<QWidget*>()) {
            QVERIFY2(t.rect().contains(child->geometry()), qPrintable(child->objectName()));
            if (child->inherits("QLabel") || child->inherits("QCheckBox")) {
                QVERIFY2(child->sizeHint().width() <= child->width(),
                         qPrintable(child->objectName()));
            }
        }
        QVERIFY(!Child<QPushButton>(t, "setButton")
                     ->geometry()
                     .intersects(Child<QPushButton>(t, "cancelButton")->geometry()));
    }

    void upDownStepsBy25WithinLimits() {
        TriggerLevelDialog t;
        Click(Child<kelmor::UpDown>(t, "levelUpDown")->UpButton());
        QCOMPARE(Child<kelmor::UpDown>(t, "levelUpDown")->Position(), 225);
        QCOMPARE(Child<QLineEdit>(t, "levelEdit")->text(), QString("225"));
        Click(Child<kelmor::UpDown>(t, "levelUpDown")->DownButton());
        Click(Child<kelmor::UpDown>(t, "levelUpDown")->DownButton());
        QCOMPARE(Child<QLineEdit>(t, "levelEdit")->text(), QString("175"));
        for (int i = 0; i < 10; ++i) {
            QTest::keyClick(Child<QLineEdit>(t, "levelEdit"), Qt::Key_Down);
        }
        QCOMPARE(Child<kelmor::UpDown>(t, "levelUpDown")->Position(), 50);
        QCOMPARE(Child<QLineEdit>(t, "levelEdit")->text(), QString("50"));
        for (int i = 0; i < 100; ++i) {
            QTest::keyClick(Child<kelmor::UpDown>(t, "levelUpDown"), Qt::Key_Up);
        }
        QCOMPARE(Child<kelmor::UpDown>(t, "levelUpDown")->Position(), 2000);
        Click(Child<kelmor::UpDown>(t, "levelUpDown")->UpButton());
        QCOMPARE(Child<QLineEdit>(t, "levelEdit")->text(), QString("2000"));
        Child<kelmor::UpDown>(t, "levelUpDown")->SetPosition(-5);
        QCOMPARE(Child<QLineEdit>(t, "levelEdit")->text(), QString("50"));
    }

    void flashDisablesEditButNotUpDown() {
        TriggerLevelDialog t;
        Click(Child<QCheckBox>(t, "flashCheckBox"));
        QVERIFY(Child<QCheckBox>(t, "flashCheckBox")->isChecked());
        QVERIFY(!Child<QLineEdit>(t, "levelEdit")->isEnabled());
        QVERIFY(Child<kelmor::UpDown>(t, "levelUpDown")->isEnabled());
        Click(Child<kelmor::UpDown>(t, "levelUpDown")->UpButton());
        QCOMPARE(Child<QLineEdit>(t, "levelEdit")->text(), QString("225"));
        Click(Child<QCheckBox>(t, "flashCheckBox"));
        QVERIFY(Child<QLineEdit>(t, "levelEdit")->isEnabled());
    }

    void cancelAndEscapeSendNothing() {
        RecordingTrigger r;
        r.dialog.open();
        Click(Child<QPushButton>(r.dialog, "cancelButton"));
        QVERIFY(!r.dialog.isVisible());
        QCOMPARE(r.dialog.result(), int(QDialog::Rejected));
        r.dialog.open();
        QTest::keyClick(&r.dialog, Qt::Key_Escape);
        QVERIFY(!r.dialog.isVisible());
        QVERIFY(r.calls.empty());
    }

    void setHandsOverLevelAndFlashThenCloses() {
        RecordingTrigger r;
        r.dialog.open();
        Click(Child<kelmor::UpDown>(r.dialog, "levelUpDown")->UpButton());
        Click(Child<kelmor::UpDown>(r.dialog, "levelUpDown")->UpButton());
        Click(Child<QPushButton>(r.dialog, "setButton"));
        QVERIFY(!r.dialog.isVisible());
        QCOMPARE(r.dialog.result(), int(QDialog::Accepted));
        QCOMPARE(r.calls.size(), size_t(1));
        QCOMPARE(r.calls[0].level, 250);
        QCOMPARE(r.calls[0].flash, false);
        QVERIFY(r.stillShownWhenCalled);

        // Enter means "Set" even with the focus on the check box, and the flash goes along.
        r.dialog.open();
        Click(Child<QCheckBox>(r.dialog, "flashCheckBox"));
        Child<QCheckBox>(r.dialog, "flashCheckBox")->setFocus();
        QTest::keyClick(Child<QCheckBox>(r.dialog, "flashCheckBox"), Qt::Key_Return);
        QVERIFY(!r.dialog.isVisible());
        QCOMPARE(r.calls.size(), size_t(2));
        QCOMPARE(r.calls[1].level, 250);
        QCOMPARE(r.calls[1].flash, true);
    }

    void valuesKeptBetweenShowings() {
        QWidget owner;
        PlaceOwner(owner, QRect(100, 80, 757, 451));
        RecordingTrigger r;
        r.dialog.setParent(&owner, r.dialog.windowFlags());
        r.dialog.open();
        Child<kelmor::UpDown>(r.dialog, "levelUpDown")->SetPosition(500);
        Click(Child<QCheckBox>(r.dialog, "flashCheckBox"));
        Click(Child<QPushButton>(r.dialog, "cancelButton"));

        owner.move(260, 140);
        r.dialog.open();
        const QPoint offset = r.dialog.frameGeometry().center() - owner.frameGeometry().center();
        QVERIFY(offset.manhattanLength() <= 2);
        QCOMPARE(Child<QLineEdit>(r.dialog, "levelEdit")->text(), QString("500"));
        QVERIFY(Child<QCheckBox>(r.dialog, "flashCheckBox")->isChecked());
        QVERIFY(!Child<QLineEdit>(r.dialog, "levelEdit")->isEnabled());
        Screenshot(r.dialog, "trigger_dialog");
        Click(Child<QPushButton>(r.dialog, "setButton"));
        QCOMPARE(r.calls.size(), size_t(1));
        QCOMPARE(r.calls[0].level, 500);
        QCOMPARE(r.calls[0].flash, true);
    }

    void setWithoutHandlerOnlyCloses() {
        TriggerLevelDialog t;
        t.open();
        Click(Child<QPushButton>(t, "setButton"));
        QVERIFY(!t.isVisible());
    }
};

int RunTriggerDialogTests(int argc, char** argv) {
    TriggerDialogTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "trigger_level_dialog_test.moc"
