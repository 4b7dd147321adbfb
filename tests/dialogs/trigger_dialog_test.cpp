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
#include "ui/dialogs/trigger_dialog.h"
#include "ui/dialogs/up_down.h"

using kelmor::TTrigger;

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
    TTrigger dialog;
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
        TTrigger t;
        QCOMPARE(t.objectName(), QString("Trigger"));
        QCOMPARE(t.windowTitle(), QString("Trigger level"));
        const Qt::WindowFlags flags = t.windowFlags();
        QVERIFY((flags & Qt::WindowType_Mask) == Qt::Tool);
        QVERIFY(flags & Qt::WindowStaysOnTopHint);
        QVERIFY(!(flags & (Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinMaxButtonsHint)));

        QCOMPARE(t.Shape1->objectName(), QString("Shape1"));
        QCOMPARE(t.Shape1->Fill(), QColor(Qt::red));
        QCOMPARE(t.Shape2->objectName(), QString("Shape2"));
        QCOMPARE(t.Shape2->Fill(), QColor(0, 255, 0));
        QCOMPARE(t.Label2->text(), QString("High Level"));
        QCOMPARE(t.Label3->text(), QString("Low Level"));
        QVERIFY(Beside(t.Shape1, t.Label2));
        QVERIFY(Beside(t.Shape2, t.Label3));
        QCOMPARE(t.findChild<QLabel*>("Label1")->text(),
                 QString("Trigger between Low and High level at"));
        QCOMPARE(t.findChild<QLabel*>("Label4")->text(), QString("Bq/m3"));

        auto* edit = t.findChild<QLineEdit*>("Level_edit");
        QVERIFY(edit != nullptr && edit->isReadOnly() && edit->isEnabled());
        QCOMPARE(edit->text(), QString("200"));
        auto* upDown = t.findChild<kelmor::UpDown*>("UpDown1");
        QVERIFY(upDown != nullptr);
        QCOMPARE(upDown->Minimum(), 50);
        QCOMPARE(upDown->Maximum(), 2000);
        QCOMPARE(upDown->Increment(), 25);
        QCOMPARE(upDown->Position(), 200);
        auto* flash = t.findChild<QCheckBox*>("CheckBox1");
        QVERIFY(flash != nullptr && !flash->isChecked());
        QCOMPARE(flash->text(), QString("Flash RED/GREEN"));
        QCOMPARE(t.findChild<QPushButton*>("Button1")->text(), QString("Set"));
        QCOMPARE(t.findChild<QPushButton*>("Button2")->text(), QString("Cancel"));
        QVERIFY(t.Button1->isDefault());
    }

    void everyTextFitsInTheDialog() {
        TTrigger t;
        for (const QWidget* child : t.findChildren<QWidget*>()) {
            QVERIFY2(t.rect().contains(child->geometry()), qPrintable(child->objectName()));
            if (child->inherits("QLabel") || child->inherits("QCheckBox")) {
                QVERIFY2(child->sizeHint().width() <= child->width(),
                         qPrintable(child->objectName()));
            }
        }
        QVERIFY(!t.Button1->geometry().intersects(t.Button2->geometry()));
    }

    void upDownStepsBy25WithinLimits() {
        TTrigger t;
        Click(t.UpDown1->UpButton());
        QCOMPARE(t.UpDown1->Position(), 225);
        QCOMPARE(t.Level_edit->text(), QString("225"));
        Click(t.UpDown1->DownButton());
        Click(t.UpDown1->DownButton());
        QCOMPARE(t.Level_edit->text(), QString("175"));
        for (int i = 0; i < 10; ++i) {
            QTest::keyClick(t.Level_edit, Qt::Key_Down);
        }
        QCOMPARE(t.UpDown1->Position(), 50);
        QCOMPARE(t.Level_edit->text(), QString("50"));
        for (int i = 0; i < 100; ++i) {
            QTest::keyClick(t.UpDown1, Qt::Key_Up);
        }
        QCOMPARE(t.UpDown1->Position(), 2000);
        Click(t.UpDown1->UpButton());
        QCOMPARE(t.Level_edit->text(), QString("2000"));
        t.UpDown1->SetPosition(-5);
        QCOMPARE(t.Level_edit->text(), QString("50"));
    }

    void flashDisablesEditButNotUpDown() {
        TTrigger t;
        Click(t.CheckBox1);
        QVERIFY(t.CheckBox1->isChecked());
        QVERIFY(!t.Level_edit->isEnabled());
        QVERIFY(t.UpDown1->isEnabled());
        Click(t.UpDown1->UpButton());
        QCOMPARE(t.Level_edit->text(), QString("225"));
        Click(t.CheckBox1);
        QVERIFY(t.Level_edit->isEnabled());
    }

    void cancelAndEscapeSendNothing() {
        RecordingTrigger r;
        r.dialog.open();
        Click(r.dialog.Button2);
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
        Click(r.dialog.UpDown1->UpButton());
        Click(r.dialog.UpDown1->UpButton());
        Click(r.dialog.Button1);
        QVERIFY(!r.dialog.isVisible());
        QCOMPARE(r.dialog.result(), int(QDialog::Accepted));
        QCOMPARE(r.calls.size(), size_t(1));
        QCOMPARE(r.calls[0].level, 250);
        QCOMPARE(r.calls[0].flash, false);
        QVERIFY(r.stillShownWhenCalled);

        // Enter means "Set" even with the focus on the check box, and the flash goes along.
        r.dialog.open();
        Click(r.dialog.CheckBox1);
        r.dialog.CheckBox1->setFocus();
        QTest::keyClick(r.dialog.CheckBox1, Qt::Key_Return);
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
        r.dialog.UpDown1->SetPosition(500);
        Click(r.dialog.CheckBox1);
        Click(r.dialog.Button2);

        owner.move(260, 140);
        r.dialog.open();
        const QPoint offset = r.dialog.frameGeometry().center() - owner.frameGeometry().center();
        QVERIFY(offset.manhattanLength() <= 2);
        QCOMPARE(r.dialog.Level_edit->text(), QString("500"));
        QVERIFY(r.dialog.CheckBox1->isChecked());
        QVERIFY(!r.dialog.Level_edit->isEnabled());
        Screenshot(r.dialog, "trigger_dialog");
        Click(r.dialog.Button1);
        QCOMPARE(r.calls.size(), size_t(1));
        QCOMPARE(r.calls[0].level, 500);
        QCOMPARE(r.calls[0].flash, true);
    }

    void setWithoutHandlerOnlyCloses() {
        TTrigger t;
        t.open();
        Click(t.Button1);
        QVERIFY(!t.isVisible());
    }
};

int RunTriggerDialogTests(int argc, char** argv) {
    TriggerDialogTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "trigger_dialog_test.moc"
