#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "emulated_ft232r.h"

namespace kelmor::usbtest {

// For the main of a test program that uses the emulated USB bus: re-executes the program
// under umockdev's preload library unless it runs there already (the preload must be in
// place before the program starts). Returns false, having said why, when umockdev is not
// installed; the caller then skips its USB tests. Under AddressSanitizer the preload is
// accepted through ASAN_OPTIONS=verify_asan_link_order=0.
bool RunUnderPreload(int argc, char** argv);
// Whether this process runs under the preload, so that a testbed can be made.
bool PreloadActive();

// The process's one emulated USB bus: umockdev's testbed with FTDI devices on it. Create
// it before anything calls libusb_init (ftdi_new does): libusb sets up its device list
// and its udev monitor once per process, and devices plugged in later reach it through
// uevents, which take a moment (see WaitFor). The instruments behind the chips run on the
// system clock.
class UsbTestbed {
  public:
    static UsbTestbed& Instance();

    // A Kelmor of `model` behind an FT232R; by default described "USB <-> Serial Cable"
    // with the serial number "KLM70412".
    EmulatedFt232r& AddKelmor(Model model, const DeviceOptions& options = DeviceOptions());
    // Another FTDI device, that never answers.
    EmulatedFt232r& AddDevice(const DeviceOptions& options);
    // Unplugs and forgets every device: a test leaves the bus as it found it.
    void RemoveAll();

    Clock& InstrumentClock();

    // Runs `condition` every few milliseconds until it holds or `timeoutMs` pass.
    template <typename Condition>
    static bool WaitFor(Condition condition, int timeoutMs = 3000) {
        for (int waited = 0; !condition(); waited += kWaitStepMs) {
            if (waited >= timeoutMs) {
                return false;
            }
            Sleep(kWaitStepMs);
        }
        return true;
    }

    ~UsbTestbed();

  private:
    static constexpr int kWaitStepMs = 5;
    UsbTestbed();
    static void Sleep(int ms);

    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace kelmor::usbtest
