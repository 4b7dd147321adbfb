#pragma once

#include <gtest/gtest.h>

#include "full_disk.h"

namespace kelmor::testing {

// First thing in a test whose body needs a filling disk. In the test process it runs this
// one test again in a child under the interposer, checks that it ran and passed there, and
// returns true: the test is done. In the child it returns false and the body goes on.
inline bool RanOnFullDisk() {
    if (InFullDiskChild()) {
        EXPECT_TRUE(FullDiskLoaded()) << "the full-disk library was not preloaded";
        return !FullDiskLoaded();
    }
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const ChildRun run = RunUnderFullDisk(
        {QStringLiteral("--gtest_filter=%1.%2").arg(test->test_suite_name(), test->name())});
    EXPECT_TRUE(run.finished && run.exitCode == 0 && run.output.contains("[  PASSED  ] 1 test."))
        << run.output.constData();
    return true;
}

}  // namespace kelmor::testing
