#include "images/station_date.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "all_builds.h"
#include "support/doubles/fake_clock.h"

namespace {

std::string formatted(const platform::LocalTime& time) {
    char text[32];
    format_station_date(time, text, sizeof text);
    return text;
}

TEST(StationDate, UsEnglishForm) {
    const struct {
        platform::LocalTime time;
        const char* text;
    } cases[] = {
        {{2009, 12, 31, 23, 59, 59}, "12/31/2009 11:59:59 PM"},
        {{2010, 1, 1, 0, 0, 0}, "1/1/2010"},  // midnight: the date alone
        {{2010, 1, 1, 0, 0, 1}, "1/1/2010 12:00:01 AM"},
        {{2010, 1, 1, 0, 1, 0}, "1/1/2010 12:01:00 AM"},
        {{2010, 7, 4, 12, 0, 0}, "7/4/2010 12:00:00 PM"},
        {{2010, 7, 4, 9, 5, 7}, "7/4/2010 9:05:07 AM"},
        {{2010, 7, 4, 13, 5, 7}, "7/4/2010 1:05:07 PM"},
        {{100, 1, 1, 11, 0, 0}, "1/1/100 11:00:00 AM"},
        {{9999, 12, 31, 12, 59, 59}, "12/31/9999 12:59:59 PM"},
        {{99, 12, 31, 12, 0, 0}, "Invalid DateTime"},
        {{10000, 1, 1, 12, 0, 0}, "Invalid DateTime"},
        {{2010, 13, 1, 12, 0, 0}, "Invalid DateTime"},
    };
    for (const auto& test_case : cases) {
        EXPECT_EQ(formatted(test_case.time), test_case.text) << test_case.text;
    }
    EXPECT_EQ(std::string("12/31/9999 12:59:59 PM").size(), STATION_DATE_MAX_CHARS);
}

class StationClock : public testing::Test {
  protected:
    void SetUp() override {
        ::setenv("TZ", "UTC", 1);
        ::tzset();
    }
    std::string now_at(int64_t seconds) {
        fake_clock_set_seconds(seconds);
        char text[32];
        current_station_date(text, sizeof text);
        return text;
    }
};

TEST_F(StationClock, ReadsTheClockInLocalTime) {
    EXPECT_EQ(now_at(1262303999), "12/31/2009 11:59:59 PM");
    EXPECT_EQ(now_at(1262304000), "1/1/2010");
}

TEST_F(StationClock, FailedClockGivesInvalidDateTime) {
    EXPECT_EQ(now_at(-1), "Invalid DateTime");
    EXPECT_EQ(now_at(253402300800), "Invalid DateTime");  // 1/1/10000
}

// A release's firmware build date must read back as the stamp's date form,
// and no two builds share one.
TEST(FirmwareBuildDate, EveryBuildHasItsOwnInStampForm) {
    for (int build = 0; build < BUILD_COUNT; ++build) {
        const std::string date = ALL_BUILDS[build]->fw_build_date;
        platform::LocalTime time{};
        char half_day[3] = {};
        ASSERT_EQ(std::sscanf(date.c_str(), "%d/%d/%d %d:%d:%d %2s", &time.month, &time.day, &time.year,
                              &time.hour, &time.minute, &time.second, half_day),
                  7)
            << date;
        time.hour = time.hour % 12 + (std::string(half_day) == "PM" ? 12 : 0);
        EXPECT_EQ(formatted(time), date);
        for (int other = 0; other < build; ++other) {
            EXPECT_NE(date, ALL_BUILDS[other]->fw_build_date)
                << "builds " << other + 1 << " and " << build + 1;
        }
    }
}

}  // namespace
