#include "usb_testbed.h"

#include <linux/capability.h>
#include <sys/syscall.h>
#include <umockdev.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace kelmor::usbtest {

namespace {

constexpr const char* kPreload = "libumockdev-preload.so.0";

bool PreloadInstalled() {
    for (const char* dir :
         {"/usr/lib/x86_64-linux-gnu", "/usr/lib/aarch64-linux-gnu", "/usr/lib64", "/usr/lib"}) {
        if (access((std::string(dir) + "/" + kPreload).c_str(), R_OK) == 0) {
            return true;
        }
    }
    return false;
}

// A root process reads and writes any file whatever its mode, so a device node that
// refuses a desktop user would not refuse it. Without these two capabilities the node's
// mode applies to root as to anyone.
void HonourFileModes() {
    if (geteuid() != 0) {
        return;
    }
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2] = {};
    if (syscall(SYS_capget, &header, data) != 0) {
        return;
    }
    data[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
    syscall(SYS_capset, &header, data);
}

int NextDevnum() {
    static int devnum = 1;
    return ++devnum;
}

}  // namespace

bool PreloadActive() {
    const char* preload = std::getenv("LD_PRELOAD");
    return preload && std::strstr(preload, "libumockdev-preload") != nullptr;
}

bool RunUnderPreload(int argc, char** argv) {
    (void)argc;
    if (PreloadActive()) {
        return true;
    }
    if (!PreloadInstalled()) {
        std::fprintf(stderr,
                     "umockdev is not installed (Debian: umockdev, libumockdev-dev): the "
                     "emulated USB tests are skipped\n");
        return false;
    }
    const char* old = std::getenv("LD_PRELOAD");
    const std::string preload = old && *old ? std::string(kPreload) + ":" + old : kPreload;
    setenv("LD_PRELOAD", preload.c_str(), 1);
    const char* asan = std::getenv("ASAN_OPTIONS");
    const std::string asanOptions =
        std::string("verify_asan_link_order=0") + (asan && *asan ? std::string(":") + asan : "");
    setenv("ASAN_OPTIONS", asanOptions.c_str(), 1);
    execv("/proc/self/exe", argv);
    std::perror("re-executing under the umockdev preload");
    return false;
}

struct UsbTestbed::Impl {
    UMockdevTestbed* testbed = nullptr;
    SystemClock clock;
    std::vector<std::unique_ptr<EmulatedFt232r>> devices;
};

UsbTestbed::UsbTestbed() : impl_(std::make_unique<Impl>()) {
    HonourFileModes();
    impl_->testbed = umockdev_testbed_new();
}

UsbTestbed::~UsbTestbed() {
    RemoveAll();
    g_object_unref(impl_->testbed);
}

UsbTestbed& UsbTestbed::Instance() {
    static UsbTestbed testbed;
    return testbed;
}

EmulatedFt232r& UsbTestbed::AddKelmor(Model model, const DeviceOptions& options) {
    impl_->devices.push_back(std::make_unique<EmulatedFt232r>(impl_->testbed, impl_->clock, options,
                                                              model, &NextDevnum));
    return *impl_->devices.back();
}

EmulatedFt232r& UsbTestbed::AddDevice(const DeviceOptions& options) {
    impl_->devices.push_back(std::make_unique<EmulatedFt232r>(impl_->testbed, impl_->clock, options,
                                                              std::nullopt, &NextDevnum));
    return *impl_->devices.back();
}

void UsbTestbed::RemoveAll() {
    impl_->devices.clear();
}

Clock& UsbTestbed::InstrumentClock() {
    return impl_->clock;
}

void UsbTestbed::Sleep(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace kelmor::usbtest
