#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>

#include "dialog_test_helpers.h"
#include "suites.h"
#include "ui/dialogs/about_box.h"

using kelmor::AboutBox;

namespace {

void CompareLabel(const AboutBox& box, const char* name, const QString& text, QPoint at) {
    auto* label = box.findChild<QLabel*>(name);
    QVERIFY2(label != nullptr, name);
    QCOMPARE(label->text(), text);
    QCOMPARE(label->pos(), at);
    QCOMPARE(label->parentWidget(), Child<QFrame>(box, "panel"));
    // Every label must be readable in full inside the panel.
    QVERIFY2(label->geometry().right() < Child<QFrame>(box, "panel")->width(), name);
}

}  // namespace

class AboutBoxTest : public QObject {
    Q_OBJECT

  private slots:
    void windowLooksAsDefined() {
        AboutBox box;
        QCOMPARE(box.objectName(), QString("aboutBox"));
        QCOMPARE(box.windowTitle(), QString("About V5 PC Interface"));
        QCOMPARE(box.size(), QSize(357, 240));
        QCOMPARE(box.minimumSize(), box.maximumSize());
        QVERIFY(box.windowFlags() & Qt::MSWindowsFixedSizeDialogHint);
        QVERIFY(box.windowFlags() & Qt::WindowSystemMenuHint);
        QVERIFY(!(box.windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(box.font().pixelSize(), 11);
        QCOMPARE(box.font().family(), QString("MS Sans Serif"));
        QCOMPARE(box.palette().color(QPalette::Window), box.palette().color(QPalette::Button));

        QCOMPARE(Child<QLabel>(box, "banner")->objectName(), QString("banner"));
        QCOMPARE(Child<QLabel>(box, "banner")->geometry(), QRect(0, 0, 361, 81));
        QCOMPARE(Child<QLabel>(box, "banner")->pixmap().size(), QSize(358, 82));
        QCOMPARE(Child<QFrame>(box, "panel")->geometry(), QRect(80, 88, 225, 89));
        QCOMPARE(Child<QFrame>(box, "panel")->frameShape(), QFrame::Panel);
        QCOMPARE(Child<QFrame>(box, "panel")->frameShadow(), QFrame::Raised);

        CompareLabel(box, "productLabel", "Kelmor PC Interface", {42, 8});
        CompareLabel(box, "versionLabel", "Version 2.19", {75, 24});
        CompareLabel(box, "supportLabel", "For support, comments, suggestions", {31, 40});
        CompareLabel(box, "updatesLabel", "and future program updates, send  E-mail to:", {8, 56});
        CompareLabel(box, "addressLabel", "support@kelmor.example", {58, 72});

        auto* ok = box.findChild<QPushButton*>("okButton");
        QVERIFY(ok != nullptr);
        QCOMPARE(ok->text(), QString("OK"));
        QCOMPARE(ok->geometry(), QRect(80, 184, 225, 49));
        QCOMPARE(ok->font().pixelSize(), 21);
    }

    void okClosesAndBoxCentresOnOwnerEachTime() {
        QWidget owner;
        PlaceOwner(owner, QRect(40, 60, 757, 451));
        AboutBox box(&owner);
        // Both places keep the owner inside the 800 x 600 offscreen screen.
        for (const QPoint ownerAt : {QPoint(40, 60), QPoint(0, 120)}) {
            owner.move(ownerAt);
            box.open();
            QVERIFY(box.isVisible());
            QVERIFY(box.isModal());
            const QPoint offset = box.frameGeometry().center() - owner.frameGeometry().center();
            QVERIFY2(offset.manhattanLength() <= 2,
                     qPrintable(QString("off by %1,%2").arg(offset.x()).arg(offset.y())));
            QTest::mouseClick(Child<QPushButton>(box, "okButton"), Qt::LeftButton);
            QVERIFY(!box.isVisible());
            QCOMPARE(box.result(), int(QDialog::Accepted));
        }
    }

    void boxStaysOnScreenWhenOwnerHangsOver() {
        QWidget owner;
        PlaceOwner(owner, QRect(500, 400, 757, 451));
        AboutBox box(&owner);
        box.open();
        QVERIFY(owner.screen()->availableGeometry().contains(box.frameGeometry()));
        box.reject();
    }

    void bannerIsDrawnOnScreen() {
        AboutBox box;
        box.show();
        const QImage shot = Screenshot(box, "about_box");
        const QColor nucleus = shot.pixelColor(44, 41);
        QVERIFY(nucleus.red() > nucleus.blue() + 60);
    }

    void brokenBannerLeavesBoxWithoutPicture_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("garbage") << QByteArray("\xFF\xD8\xFF\xE0 not really", 15);
    }

    void brokenBannerLeavesBoxWithoutPicture() {
        QFETCH(QByteArray, bytes);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^About box banner not shown: .+"));
        AboutBox box(nullptr, bytes);
        QVERIFY(Child<QLabel>(box, "banner")->pixmap().isNull());
        box.open();
        QVERIFY(box.isVisible());
        QCOMPARE(Child<QLabel>(box, "versionLabel")->text(), QString("Version 2.19"));
        Screenshot(box, "about_box_without_banner");
        QTest::keyClick(&box, Qt::Key_Return);
        QVERIFY(!box.isVisible());
    }
};

int RunAboutBoxTests(int argc, char** argv) {
    AboutBoxTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "about_box_test.moc"
