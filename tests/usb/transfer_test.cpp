// Whole commands through the unchanged libftdi1 and libusb on the emulated FT232R: the
// read-out at speed and at the Kelmor's 9600 baud, and every way the line can fail it.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <atomic>
#include <thread>

#include "instrument/clock_sync.h"
#include "instrument/memory_readout.h"
#include "usb_fixture.h"

namespace kelmor::usbtest {
namespace {

// FT232R's fastest line: a whole V7 memory in under half a second. At this pace a host
// that pauses for a millisecond loses bytes from the chip's receive buffer, so the tests
// at speed take an unlimited buffer: they are about the bytes, not the pace.
constexpr int kFastBaud = 3000000;

QByteArray Sample(const char* model) {
    QFile file(QStringLiteral(KELMOR_SOURCE_DIR "/samples/kelmor-%1.Rn").arg(model));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class TransferTest : public UsbTest {
  protected:
    EmulatedFt232r& Attach(Model model, const char* sample, int baud) {
        EmulatedFt232r& chip = bed->AddKelmor(model);
        const QByteArray bytes = Sample(sample);
        chip.Kelmor()->LoadMemory(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                  static_cast<std::size_t>(bytes.size()));
        chip.SetSerialRate(baud);
        chip.SetReceiveBufferLimited(baud < kFastBaud);
        StartProgram();
        EXPECT_TRUE(Discovered());
        return chip;
    }
    ReadoutOutcome ReadOut(const ReadProgress& progress = ReadProgress()) {
        return readout->Run(Link(), true, identity, nullptr, progress);
    }

    std::unique_ptr<MemoryReadout> readout = std::make_unique<MemoryReadout>();
};

TEST_F(TransferTest, WholeReadOutsGiveTheInstrumentsMemory) {
    const struct {
        Model model;
        const char* sample;
        std::initializer_list<int> apart;  // positions filled from earlier replies
    } cases[] = {{Model::V5, "v5", {8191}}, {Model::V7, "v7", {16}}};
    for (const auto& c : cases) {
        EmulatedFt232r& chip = Attach(c.model, c.sample, kFastBaud);
        const ReadoutOutcome outcome = ReadOut();
        ASSERT_EQ(outcome.status, CommandStatus::Ok)
            << c.sample << ": " << outcome.received << " of " << outcome.requested << ", "
            << chip.OverflowedBytes() << " lost";
        const QByteArray memory = Sample(c.sample);
        const int size = LayoutOf(c.model).imageSize;
        ASSERT_EQ(memory.size(), size);
        for (int i = 0; i < size; ++i) {
            if (std::find(c.apart.begin(), c.apart.end(), i) == c.apart.end()) {
                ASSERT_EQ(readout->StagedImage()[i], static_cast<std::uint8_t>(memory[i]))
                    << c.sample << " byte " << i;
            }
        }
        EXPECT_FALSE(chip.Claimed());
        bed->RemoveAll();
        TearDown();
    }
}

TEST_F(TransferTest, AStalledChipIsNotResponding) {
    EmulatedFt232r& chip = Attach(Model::V6, "v6", kFastBaud);
    chip.SetStalled(true);
    QElapsedTimer elapsed;
    elapsed.start();
    const ReadoutOutcome outcome = ReadOut();
    EXPECT_EQ(outcome.status, CommandStatus::Timeout);
    EXPECT_TRUE(outcome.opened);
    EXPECT_LT(elapsed.elapsed(), kReadIdleTimeoutMs + 1000);
    EXPECT_FALSE(readout->HasReadout());
    EXPECT_FALSE(chip.Claimed());
}

TEST_F(TransferTest, UnpluggedMidReadOutAndPluggedInAgain) {
    EmulatedFt232r& chip = Attach(Model::V7, "v7", kFastBaud);
    chip.Kelmor()->CutLineDuringMemoryReply(50000);
    ReadoutOutcome outcome = ReadOut();
    EXPECT_EQ(outcome.status, CommandStatus::NoDevice);
    EXPECT_GT(outcome.received, 49000u);  // libftdi drops what it held when the read failed
    EXPECT_FALSE(readout->HasReadout());
    EXPECT_FALSE(chip.Present());
    EXPECT_FALSE(UsbTestbed::WaitFor([this] { return Discover(*port, identity); }, 200));

    chip.Replug();
    ASSERT_TRUE(Discovered());
    outcome = ReadOut();
    EXPECT_EQ(outcome.status, CommandStatus::Ok);
    EXPECT_TRUE(readout->HasReadout());
}

TEST_F(TransferTest, AFailedOrInterruptedWriteIsNoSuccess) {
    EmulatedFt232r& chip = Attach(Model::V5, "v5", kFastBaud);
    chip.Kelmor()->SetWriteFault(WriteFault::Fails, 4);
    CommandOutcome outcome = SynchroniseClock(Link(), true, identity, clock.LocalNow());
    EXPECT_EQ(outcome.status, CommandStatus::Io);
    EXPECT_FALSE(chip.Claimed());

    // libftdi says no more of a write than that it failed.
    chip.Kelmor()->SetWriteFault(WriteFault::Unplugs, 4);
    outcome = SynchroniseClock(Link(), true, identity, clock.LocalNow());
    EXPECT_EQ(outcome.status, CommandStatus::Io);
    EXPECT_FALSE(chip.Present());
}

// At the Kelmor's 9600 baud on a worker thread, as the window runs it: the progress moves
// at least every half second, the thread's event loop keeps running, and a cancel ends
// the read-out within half a second with the port closed.
TEST_F(TransferTest, APacedReadOutCanBeCancelled) {
    EmulatedFt232r& chip = Attach(Model::V5, "v5", EmulatedFt232r::kDefaultBaud);
    QElapsedTimer clockOfTest;
    clockOfTest.start();
    std::atomic<qint64> longestProgressGap{0};
    std::atomic<std::uint32_t> received{0};
    std::atomic<qint64> endedAt{-1};
    ReadoutOutcome outcome;
    std::thread worker([&] {
        qint64 last = clockOfTest.elapsed();
        outcome = ReadOut([&](std::uint32_t got, std::uint32_t) {
            const qint64 now = clockOfTest.elapsed();
            longestProgressGap = std::max<qint64>(longestProgressGap, now - last);
            last = now;
            received = got;
        });
        endedAt = clockOfTest.elapsed();
    });

    qint64 longestTickGap = 0;
    qint64 lastTick = clockOfTest.elapsed();
    qint64 cancelledAt = -1;
    QEventLoop loop;
    QTimer ticks;
    ticks.setInterval(10);
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        const qint64 now = clockOfTest.elapsed();
        longestTickGap = std::max(longestTickGap, now - lastTick);
        lastTick = now;
        if (cancelledAt < 0 && now >= 2000) {
            cancelledAt = now;
            cancel.Raise();
        }
        if (endedAt >= 0) {
            loop.quit();
        }
    });
    ticks.start();
    loop.exec();
    worker.join();

    EXPECT_EQ(outcome.status, CommandStatus::Cancelled);
    EXPECT_LE(endedAt - cancelledAt, 500);
    EXPECT_LE(longestProgressGap, 500);
    EXPECT_LE(longestTickGap, 100);
    // 960 bytes a second: the line's pace, not faster.
    EXPECT_GT(received, 1000u);
    EXPECT_LT(received, 2400u);
    EXPECT_FALSE(readout->HasReadout());
    EXPECT_FALSE(chip.Claimed());
    EXPECT_EQ(chip.OverflowedBytes(), 0u);
}

}  // namespace
}  // namespace kelmor::usbtest
