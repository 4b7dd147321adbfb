#pragma once

// The program's libftdi driver and port layer on the emulated USB bus, with the system
// clock, as the window program runs them.

#include <gtest/gtest.h>

#include <memory>

#include "instrument/instrument_link.h"
#include "link/discovery.h"
#include "link/libftdi_driver.h"
#include "usb_testbed.h"

namespace kelmor::usbtest {

class UsbTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!PreloadActive()) {
            GTEST_SKIP() << "umockdev is not installed: no emulated USB bus";
        }
        bed = &UsbTestbed::Instance();
    }
    void TearDown() override {
        port.reset();
        driver.reset();
        if (bed) {
            bed->RemoveAll();
        }
    }

    // The driver comes after the testbed and the devices present at the start.
    void StartProgram() {
        driver = std::make_unique<LibFtdiDriver>();
        port = std::make_unique<PortLayer>(*driver, clock);
        port->FTErrorReportOn = false;
    }
    // Discovery passes until one accepts a device (hot-plugged devices reach libusb
    // through a uevent, a moment later).
    bool Discovered() {
        return UsbTestbed::WaitFor([this] { return Discover(*port, identity); });
    }
    InstrumentLink Link() { return InstrumentLink{*port, clock, cancel}; }

    UsbTestbed* bed = nullptr;
    SystemClock clock;
    Cancellation cancel;
    std::unique_ptr<LibFtdiDriver> driver;
    std::unique_ptr<PortLayer> port;
    InstrumentIdentity identity;
};

}  // namespace kelmor::usbtest
