// The memory read-out through the unchanged libftdi1 and libusb on the emulated FT232R,
// run as the window runs it: the read-out on a worker thread, the main thread in a Qt
// event loop whose 5 ms timer records the longest gap between its ticks. For a fast line
// and for the Kelmor's 9600 baud it prints the wall time against the physical limit (the
// bytes received x 10 / baud, plus the pauses the read-out itself specifies), the longest
// event-loop gap, the longest wait for progress, and the bytes the chip's receive buffer
// lost.
//
//   bench_readout [--model v5|v6|v7] [--baud N]...   (default: v7 at 3000000 and 9600)
//
// A V7 at 9600 baud takes about 137 s.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

#include "instrument/memory_readout.h"
#include "link/discovery.h"
#include "link/libftdi_driver.h"
#include "usb_testbed.h"

using namespace kelmor;
using namespace kelmor::usbtest;

namespace {

// Up to this rate the chip's 256-byte receive buffer loses what is not collected in time,
// as on the real chip. Above it the limit is lifted: at 3 Mbaud a host that pauses for a
// millisecond loses bytes, and the figure wanted there is the stack's own overhead.
constexpr int kLimitedUpTo = 115200;

// The system clock, adding up the pauses the read-out specifies.
class PauseCountingClock : public Clock {
  public:
    std::int64_t MonotonicMs() override { return clock_.MonotonicMs(); }
    bool Sleep(int ms, const Cancellation* cancel) override {
        pausedMs_ += ms;
        return clock_.Sleep(ms, cancel);
    }
    void PollWait(int ms) override { clock_.PollWait(ms); }
    QDateTime LocalNow() override { return clock_.LocalNow(); }
    std::int64_t PausedMs() const { return pausedMs_; }

  private:
    SystemClock clock_;
    std::atomic<std::int64_t> pausedMs_{0};
};

// The bytes a read-out receives: the throw-away byte, Identify, the memory, the registers
// and, on V7, the coefficients.
std::uint32_t ReplyBytes(Model model) {
    switch (model) {
        case Model::V5:
            return 1 + 2 + 16383 + 18;
        case Model::V6:
            return 1 + 2 + 65535 + 18;
        case Model::V7:
            break;
    }
    return 1 + 2 + 131071 + 9 + 8;
}

struct Result {
    CommandStatus status = CommandStatus::Ok;
    double wallS = 0;
    double limitS = 0;
    qint64 longestTickGapMs = 0;
    qint64 longestProgressGapMs = 0;
    std::uint32_t lostBytes = 0;
};

Result Run(Model model, const QByteArray& memory, int baud) {
    UsbTestbed& bed = UsbTestbed::Instance();
    EmulatedFt232r& chip = bed.AddKelmor(model);
    chip.Kelmor()->LoadMemory(reinterpret_cast<const std::uint8_t*>(memory.constData()),
                              static_cast<std::size_t>(memory.size()));
    chip.SetSerialRate(baud);
    chip.SetReceiveBufferLimited(baud <= kLimitedUpTo);
    PauseCountingClock clock;
    LibFtdiDriver driver;
    PortLayer port(driver, clock);
    port.FTErrorReportOn = false;
    Cancellation cancel;
    InstrumentIdentity identity;
    UsbTestbed::WaitFor([&] { return Discover(port, identity); });
    auto readout = std::make_unique<MemoryReadout>();

    Result result;
    QElapsedTimer elapsed;
    elapsed.start();
    std::atomic<bool> done{false};
    std::atomic<qint64> longestProgressGap{0};
    std::thread worker([&] {
        qint64 last = elapsed.elapsed();
        const ReadoutOutcome outcome =
            readout->Run(InstrumentLink{port, clock, cancel}, true, identity, nullptr,
                         [&](std::uint32_t, std::uint32_t) {
                             const qint64 now = elapsed.elapsed();
                             longestProgressGap = std::max<qint64>(longestProgressGap, now - last);
                             last = now;
                         });
        result.status = outcome.status;
        result.wallS = elapsed.elapsed() / 1000.0;
        done = true;
    });
    QEventLoop loop;
    QTimer ticks;
    ticks.setInterval(5);
    qint64 lastTick = elapsed.elapsed();
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        const qint64 now = elapsed.elapsed();
        result.longestTickGapMs = std::max(result.longestTickGapMs, now - lastTick);
        lastTick = now;
        if (done) {
            loop.quit();
        }
    });
    ticks.start();
    loop.exec();
    worker.join();

    result.limitS = ReplyBytes(model) * 10.0 / baud + clock.PausedMs() / 1000.0;
    result.longestProgressGapMs = longestProgressGap;
    result.lostBytes = chip.OverflowedBytes();
    bed.RemoveAll();
    return result;
}

const char* StatusName(CommandStatus status) {
    switch (status) {
        case CommandStatus::Ok:
            return "complete";
        case CommandStatus::Timeout:
            return "time-out";
        case CommandStatus::Cancelled:
            return "cancelled";
        default:
            return "failed";
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (!RunUnderPreload(argc, argv)) {
        return 1;
    }
    QCoreApplication app(argc, argv);
    Model model = Model::V7;
    std::vector<int> rates;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--model") == 0 && i + 1 < argc) {
            const QByteArray name = QByteArray(argv[++i]).toLower();
            model = name == "v5" ? Model::V5 : name == "v6" ? Model::V6 : Model::V7;
        } else if (std::strcmp(argv[i], "--baud") == 0 && i + 1 < argc) {
            rates.push_back(std::atoi(argv[++i]));
        } else {
            std::fprintf(stderr, "usage: %s [--model v5|v6|v7] [--baud N]...\n", argv[0]);
            return 2;
        }
    }
    if (rates.empty()) {
        rates = {3000000, 9600};
    }
    const char* name = LayoutOf(model).name;
    QFile sample(QStringLiteral(KELMOR_SOURCE_DIR "/samples/kelmor-%1.Rn")
                     .arg(QString::fromLatin1(name).toLower()));
    if (!sample.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(sample.fileName()));
        return 1;
    }
    const QByteArray memory = sample.readAll();
    // Devices come and go through the one testbed, made before libusb starts.
    UsbTestbed::Instance();

    std::printf("%-4s %9s %10s %9s %9s %8s %12s %13s %6s\n", "", "baud", "status", "wall s",
                "limit s", "over", "loop gap ms", "progress ms", "lost");
    for (const int baud : rates) {
        const Result r = Run(model, memory, baud);
        std::printf("%-4s %9d %10s %9.3f %9.3f %7.2f%% %12lld %13lld %6u\n", name, baud,
                    StatusName(r.status), r.wallS, r.limitS, 100.0 * (r.wallS / r.limitS - 1),
                    static_cast<long long>(r.longestTickGapMs),
                    static_cast<long long>(r.longestProgressGapMs), r.lostBytes);
        std::fflush(stdout);
    }
    return 0;
}
