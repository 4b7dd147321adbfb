// The window program as a user runs it, on the real USB path: the unchanged libftdi1 and
// libusb, the program's libftdi driver, and an emulated FT232R with a Kelmor behind it
// sending at the instrument's 9600 baud. The window must stay alive for the whole
// read-out: repainting, showing its progress, and answering Cancel at once.
#include <QElapsedTimer>
#include <QProgressBar>
#include <QtTest>
#include <algorithm>

#include "link/clock.h"
#include "link/libftdi_driver.h"
#include "usb_testbed.h"
#include "window_harness.h"

using namespace kelmor;
using namespace kelmor::testing;
using namespace kelmor::usbtest;

class UsbWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();
    void aPacedReadOutKeepsTheWindowAliveAndIsCancelledAtOnce();
    void aWholeReadOutLoadsTheMemory();
};

namespace {

constexpr int kFastBaud = 3000000;

// The window program over the emulated bus, after a discovery pass found the Kelmor.
struct UsbWindow {
    UsbWindow() {
        WindowSetup setup{&driver,   &clock,    &dialogs, folder.path(),
                          QString(), QString(), QString()};
        window = std::make_unique<MainWindow>(setup);
        window->resize(900, 500);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        // A device plugged in reaches libusb a moment later.
        QTRY_VERIFY_WITH_TIMEOUT(
            (window->WatchConnection(), Child<QToolButton>(*window, "readOutButton")->isEnabled()),
            3000);
    }

    SystemClock clock;
    LibFtdiDriver driver;
    ScriptedDialogs dialogs;
    QTemporaryDir folder;
    std::unique_ptr<MainWindow> window;
};

EmulatedFt232r& PlugInKelmor(Model model, const char* sample, int baud) {
    EmulatedFt232r& chip = UsbTestbed::Instance().AddKelmor(model);
    const QByteArray memory = ReadAll(SamplePath(sample));
    chip.Kelmor()->LoadMemory(reinterpret_cast<const std::uint8_t*>(memory.constData()),
                              static_cast<std::size_t>(memory.size()));
    chip.SetSerialRate(baud);
    chip.SetReceiveBufferLimited(baud < kFastBaud);
    return chip;
}

// When the widget was painted, as the window system would show it.
class PaintLog : public QObject {
  public:
    explicit PaintLog(QElapsedTimer& clock) : clock_(clock) {}
    std::vector<qint64> paints;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            paints.push_back(clock_.elapsed());
        }
        return false;
    }

  private:
    QElapsedTimer& clock_;
};

}  // namespace

void UsbWindowTest::init() {
    if (!PreloadActive()) {
        QSKIP("umockdev is not installed: no emulated USB bus");
    }
}

void UsbWindowTest::cleanup() {
    if (PreloadActive()) {
        UsbTestbed::Instance().RemoveAll();
    }
}

void UsbWindowTest::aPacedReadOutKeepsTheWindowAliveAndIsCancelledAtOnce() {
    // A V7 memory at 9600 baud takes 137 s: cancelled after three.
    EmulatedFt232r& chip = PlugInKelmor(Model::V7, "v7", 9600);
    UsbWindow u;
    MainWindow& f = *u.window;
    auto* progress = f.findChild<QProgressBar*>(QStringLiteral("exchangeProgress"));
    QVERIFY(progress);

    QElapsedTimer since;
    since.start();
    // The event loop: the longest time between two ticks of a 10 ms timer.
    qint64 lastTick = 0;
    qint64 longestGap = 0;
    QTimer ticks;
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        const qint64 now = since.elapsed();
        if (f.ExchangeRunning() && lastTick > 0) {
            longestGap = std::max(longestGap, now - lastTick);
        }
        lastTick = now;
    });
    ticks.start(10);
    // The progress, every 100 ms.
    std::vector<std::pair<qint64, int>> shown;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, [&] {
        if (f.ExchangeRunning() && progress->isVisible()) {
            shown.emplace_back(since.elapsed(), progress->value());
        }
    });
    look.start(100);
    // Resized by the user: painted again within 100 ms.
    PaintLog paints(since);
    f.installEventFilter(&paints);
    qint64 resizedAt = 0;
    QTimer::singleShot(1500, &f, [&] {
        resizedAt = since.elapsed();
        f.resize(f.width() + 80, f.height() + 40);
    });
    qint64 cancelledAt = 0;
    QTimer::singleShot(3000, &f, [&] {
        cancelledAt = since.elapsed();
        QTest::sendKeyEvent(QTest::Press, &f, Qt::Key_Escape, QString(), Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, &f, Qt::Key_Escape, QString(), Qt::NoModifier);
    });

    QTest::mouseClick(Child<QToolButton>(f, "readOutButton"), Qt::LeftButton);
    const qint64 endedAt = since.elapsed();
    f.removeEventFilter(&paints);

    QVERIFY(cancelledAt > 0);
    QVERIFY2(endedAt - cancelledAt < 500, qPrintable(QString::number(endedAt - cancelledAt)));
    QVERIFY2(longestGap < 100, qPrintable(QString::number(longestGap)));
    const auto repaint = std::find_if(paints.paints.begin(), paints.paints.end(),
                                      [&](qint64 at) { return at >= resizedAt; });
    QVERIFY(resizedAt > 0 && repaint != paints.paints.end());
    QVERIFY2(*repaint - resizedAt < 100, qPrintable(QString::number(*repaint - resizedAt)));
    // The progress moved on at least every half second, from its first bytes on.
    QVERIFY2(shown.size() > 20, qPrintable(QString::number(shown.size())));
    qint64 movedAt = shown.front().first;
    for (std::size_t i = 1; i < shown.size(); ++i) {
        if (shown[i].second > shown[i - 1].second) {
            movedAt = shown[i].first;
        }
        QVERIFY2(shown[i].first - movedAt <= 500, qPrintable(QString::number(shown[i].first)));
    }
    QVERIFY(shown.back().second > 1500);  // about 960 bytes a second

    QCOMPARE(f.PanelText(1), QStringLiteral("Read-out cancelled"));
    QCOMPARE(Child<QComboBox>(f, "measurementList")->count(), 0);  // nothing loaded
    QVERIFY(Child<QToolButton>(f, "readOutButton")->isEnabled());
    QVERIFY(!chip.Claimed());              // the port was closed
    QCOMPARE(chip.OverflowedBytes(), 0u);  // and nothing was lost while the window worked
}

void UsbWindowTest::aWholeReadOutLoadsTheMemory() {
    // Another FTDI device that this user may not open, listed before the Kelmor.
    DeviceOptions other;
    other.description = "FT232R USB UART";
    other.serialNumber = QByteArray("A50285BI");
    other.openable = false;
    UsbTestbed::Instance().AddDevice(other);
    PlugInKelmor(Model::V5, "v5", kFastBaud);
    UsbWindow u;
    MainWindow& f = *u.window;
    QTest::mouseClick(Child<QToolButton>(f, "readOutButton"), Qt::LeftButton);
    QCOMPARE(f.PanelText(1), QString());
    QCOMPARE(Child<QComboBox>(f, "measurementList")->count(), 5);
    const QByteArray image = ReadAll(u.folder.filePath(QStringLiteral("V5.tmp")));
    const QByteArray sample = ReadAll(SamplePath("v5"));
    QCOMPARE(image.size(), sample.size());
    // The last byte's low nibble never comes: it is what an earlier read left.
    QCOMPARE(image.left(image.size() - 1), sample.left(sample.size() - 1));
}

int main(int argc, char** argv) {
    RunUnderPreload(argc, argv);
    QApplication app(argc, argv);
    if (PreloadActive()) {
        UsbTestbed::Instance();
    }
    UsbWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "usb_window_test.moc"
