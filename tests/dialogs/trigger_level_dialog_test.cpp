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

        QCOMPARE(t.highLamp_->objectName(), QString("highLamp"));
        QCOMPARE(t.highLamp_->Fill(), QColor(Qt::red));
        QCOMPARE(t.lowLamp_->objectName(), QString("lowLamp"));
        QCOMPARE(t.lowLamp_->Fill(), QColor(0, 255, 0));
        QCOMPARE(t.highLabel_->text(), QString("High Level"));
        QCOMPARE(t.lowLabel_->text(), QString("Low Level"));
        QVERIFY(Beside(t.highLamp_, t.highLabel_));
        QVERIFY(Beside(t.lowLamp_, t.lowLabel_));
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
        QVERIFY(t.setButton_->isDefault());
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
        QVERIFY(!t.setButton_->geometry().intersects(t.cancelButton_->geometry()));
    }

    void upDownStepsBy25WithinLimits() {
        TriggerLevelDialog t;
        Click(t.levelUpDown_->UpButton());
        QCOMPARE(t.levelUpDown_->Position(), 225);
        QCOMPARE(t.levelEdit_->text(), QString("225"));
        Click(t.levelUpDown_->DownButton());
        Click(t.levelUpDown_->DownButton());
        QCOMPARE(t.levelEdit_->text(), QString("175"));
        for (int i = 0; i < 10; ++i) {
            QTest::keyClick(t.levelEdit_, Qt::Key_Down);
        }
        QCOMPARE(t.levelUpDown_->Position(), 50);
        QCOMPARE(t.levelEdit_->text(), QString("50"));
        for (int i = 0; i < 100; ++i) {
            QTest::keyClick(t.levelUpDown_, Qt::Key_Up);
        }
        QCOMPARE(t.levelUpDown_->Position(), 2000);
        Click(t.levelUpDown_->UpButton());
        QCOMPARE(t.levelEdit_->text(), QString("2000"));
        t.levelUpDown_->SetPosition(-5);
        QCOMPARE(t.levelEdit_->text(), QString("50"));
    }

    void flashDisablesEditButNotUpDown() {
        TriggerLevelDialog t;
        Click(t.flashCheckBox_);
        QVERIFY(t.flashCheckBox_->isChecked());
        QVERIFY(!t.levelEdit_->isEnabled());
        QVERIFY(t.levelUpDown_->isEnabled());
        Click(t.levelUpDown_->UpButton());
        QCOMPARE(t.levelEdit_->text(), QString("225"));
        Click(t.flashCheckBox_);
        QVERIFY(t.levelEdit_->isEnabled());
    }

    void cancelAndEscapeSendNothing() {
        RecordingTrigger r;
        r.dialog.open();
        Click(r.dialog.cancelButton_);
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
        Click(r.dialog.levelUpDown_->UpButton());
        Click(r.dialog.levelUpDown_->UpButton());
        Click(r.dialog.setButton_);
        QVERIFY(!r.dialog.isVisible());
        QCOMPARE(r.dialog.result(), int(QDialog::Accepted));
        QCOMPARE(r.calls.size(), size_t(1));
        QCOMPARE(r.calls[0].level, 250);
        QCOMPARE(r.calls[0].flash, false);
        QVERIFY(r.stillShownWhenCalled);

        // Enter means "Set" even with the focus on the check box, and the flash goes along.
        r.dialog.open();
        Click(r.dialog.flashCheckBox_);
        r.dialog.flashCheckBox_->setFocus();
        QTest::keyClick(r.dialog.flashCheckBox_, Qt::Key_Return);
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
        r.dialog.levelUpDown_->SetPosition(500);
        Click(r.dialog.flashCheckBox_);
        Click(r.dialog.cancelButton_);

        owner.move(260, 140);
        r.dialog.open();
        const QPoint offset = r.dialog.frameGeometry().center() - owner.frameGeometry().center();
        QVERIFY(offset.manhattanLength() <= 2);
        QCOMPARE(r.dialog.levelEdit_->text(), QString("500"));
        QVERIFY(r.dialog.flashCheckBox_->isChecked());
        QVERIFY(!r.dialog.levelEdit_->isEnabled());
        Screenshot(r.dialog, "trigger_dialog");
        Click(r.dialog.setButton_);
        QCOMPARE(r.calls.size(), size_t(1));
        QCOMPARE(r.calls[0].level, 500);
        QCOMPARE(r.calls[0].flash, true);
    }

    void setWithoutHandlerOnlyCloses() {
        TriggerLevelDialog t;
        t.open();
        Click(t.setButton_);
        QVERIFY(!t.isVisible());
    }
};

int RunTriggerDialogTests(int argc, char** argv) {
    TriggerDialogTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "trigger_level_dialog_test.moc"
