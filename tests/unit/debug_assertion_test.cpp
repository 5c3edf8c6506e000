#include "host_install/debug_assertion.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host_main/station_log.h"
#include "support/captured_exit.h"
#include "support/install_fixture.h"
#include "support/station_records.h"

namespace {

using DebugAssertionDeathTest = InstallTest;

// Stations and support know some checks by a fixed number, whatever line of
// the source the check sits on. A failed check is a failed run: the trail
// with the check named is the fail record, and the exit code is 1.
TEST_F(DebugAssertionDeathTest, AFailedCheckShowsItsNumberIsTheFailRecordWaitsForAKeyAndEndsWithExitCodeOne) {
    DEBUG_ASSERT_AS_LINE(true, 798);
    put_to_log_buffer("Build bad block list\n");
    std::string printed;
    EXPECT_EXIT_CAPTURED((close_console_input(), DEBUG_ASSERT_AS_LINE(1 + 1 == 3, 798)), 1, printed);
    EXPECT_EQ(printed, "\ndebug assertion failure\ntests/unit/debug_assertion_test.cpp : 798\n");
    EXPECT_EQ(read_records(records_path),
              (std::vector<std::string>{write_record(3, 4,
                                                     "Build bad block list\\nDebug assertion failure\\n"
                                                     "tests/unit/debug_assertion_test.cpp : 798\\n"),
                                        FINALIZE_RECORD}));
}

}  // namespace
