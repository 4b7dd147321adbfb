#pragma once

// A simulated Kelmor among other FTDI devices, discovered through the port layer as the
// window does it, with a fake clock: the bench every command test runs on.

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

#include "fake_clock.h"
#include "instrument/instrument_link.h"
#include "link/discovery.h"
#include "simulator/simulated_ftdi_bus.h"

namespace kelmor::testing {

// A write as the instrument saw it: the milliseconds since the write before, the bytes.
using Step = std::pair<std::int64_t, std::vector<std::uint8_t>>;

class InstrumentTest : public ::testing::Test {
  protected:
    FakeClock clock;
    std::unique_ptr<SimulatedFtdiBus> sim;
    std::unique_ptr<PortLayer> port;
    Cancellation cancel;
    std::unique_ptr<InstrumentLink> link;
    InstrumentIdentity identity;
    bool attached = false;

    void Attach(Model model) {
        sim = std::make_unique<SimulatedFtdiBus>(clock, model);
        sim->AddGadget("FT232R USB UART", "A50285BI");
        sim->AddKelmor("USB <-> Serial", "KM0001");
        port = std::make_unique<PortLayer>(*sim, clock);
        link = std::make_unique<InstrumentLink>(InstrumentLink{*port, clock, cancel});
        attached = Discover(*port, identity);
        ASSERT_TRUE(attached);
    }

    std::vector<Step> Steps() const {
        std::vector<Step> steps;
        for (const ReceivedWrite& write : sim->Kelmor()->ReceivedWrites()) {
            steps.emplace_back(write.msSincePreviousWrite, write.bytes);
        }
        return steps;
    }
};

}  // namespace kelmor::testing
