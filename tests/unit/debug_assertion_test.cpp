#include "host_install/debug_assertion.h"

#include <gtest/gtest.h>

#include <string>

#include "support/captured_exit.h"
#include "support/install_fixture.h"
#include "support/station_records.h"

namespace {

using DebugAssertionDeathTest = InstallTest;

// Stations and support know some checks by a fixed number, whatever line of
// the source the check sits on.
TEST_F(DebugAssertionDeathTest, AFailedCheckShowsItsNumberWaitsForAKeyAndEndsWithExitCodeZero) {
    DEBUG_ASSERT_AS_LINE(true, 798);
    std::string printed;
    EXPECT_EXIT_CAPTURED((close_console_input(), DEBUG_ASSERT_AS_LINE(1 + 1 == 3, 798)), 0, printed);
    EXPECT_EQ(printed, "\ndebug assertion failure\ntests/unit/debug_assertion_test.cpp : 798\n");
    EXPECT_TRUE(read_lines(records_path).empty()) << "no station record, no finalize";
}

}  // namespace
