// A command on a worker thread while the window's thread uses the same simulated bus and
// port layer: discovery passes, the demo's controls, a cancel.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "instrument/memory_readout.h"
#include "link/discovery.h"
#include "simulator/simulated_ftdi_bus.h"

namespace kelmor {
namespace {

class WorkerThreadTest : public ::testing::Test {
  protected:
    void SetUp() override {
        bus.AddGadget("FT232R USB UART", "A50285BI");
        bus.AddKelmor("USB <-> Serial", "KM0001");
        bus.Kelmor()->SetRecording(false);
        bus.Kelmor()->SetTransferRate(131072);  // a second for the V7 memory
        ASSERT_TRUE(Discover(*port, identity));
    }

    // Runs a read-out on a worker thread while `meanwhile` runs on this one until the
    // read-out ended.
    template <typename Meanwhile>
    ReadoutOutcome ReadOutWhile(Meanwhile meanwhile) {
        std::atomic<bool> done{false};
        ReadoutOutcome outcome;
        std::thread worker([&] {
            outcome = readout->Run(InstrumentLink{*port, clock, cancel}, true, identity, nullptr,
                                   nullptr);
            done = true;
        });
        while (!done) {
            meanwhile();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        worker.join();
        return outcome;
    }

    SystemClock clock;
    SimulatedFtdiBus bus{clock, Model::V7};
    std::unique_ptr<PortLayer> port = std::make_unique<PortLayer>(bus, clock);
    std::unique_ptr<MemoryReadout> readout = std::make_unique<MemoryReadout>();
    Cancellation cancel;
    InstrumentIdentity identity;
};

TEST_F(WorkerThreadTest, DiscoveryPassesRunBesideAReadOut) {
    int passes = 0;
    int found = 0;
    const ReadoutOutcome outcome = ReadOutWhile([&] {
        InstrumentIdentity seen;
        found += Discover(*port, seen) && seen.SerialNumber == "KM0001";
        ++passes;
        bus.Kelmor()->EraseCount();
    });
    EXPECT_EQ(outcome.status, CommandStatus::Ok);
    EXPECT_GT(passes, 10);
    EXPECT_EQ(found, passes);
    EXPECT_FALSE(bus.KelmorOpen());
}

TEST_F(WorkerThreadTest, UnpluggedOrCancelledFromTheOtherThread) {
    const auto start = std::chrono::steady_clock::now();
    auto after = [start](int ms) {
        return std::chrono::steady_clock::now() - start > std::chrono::milliseconds(ms);
    };
    ReadoutOutcome outcome = ReadOutWhile([&] {
        if (after(300)) {
            bus.Unplug();
        }
    });
    EXPECT_EQ(outcome.status, CommandStatus::NoDevice);
    EXPECT_FALSE(readout->HasReadout());

    bus.Plug();
    ASSERT_TRUE(Discover(*port, identity));
    std::chrono::steady_clock::time_point cancelledAt;
    const auto restart = std::chrono::steady_clock::now();
    outcome = ReadOutWhile([&] {
        if (std::chrono::steady_clock::now() - restart > std::chrono::milliseconds(300) &&
            !cancel.Raised()) {
            cancelledAt = std::chrono::steady_clock::now();
            cancel.Raise();
        }
    });
    EXPECT_EQ(outcome.status, CommandStatus::Cancelled);
    EXPECT_LT(std::chrono::steady_clock::now() - cancelledAt, std::chrono::milliseconds(500));
    EXPECT_FALSE(bus.KelmorOpen());
}

}  // namespace
}  // namespace kelmor
