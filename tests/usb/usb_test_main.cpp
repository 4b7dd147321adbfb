// The USB tests run under umockdev's preload library: the main puts it in place by
// re-executing the program, before anything else runs.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include "usb_testbed.h"

int main(int argc, char** argv) {
    kelmor::usbtest::RunUnderPreload(argc, argv);
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
