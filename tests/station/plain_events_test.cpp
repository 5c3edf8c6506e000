// The station's plain lines when its looks at a run are far apart.
#include "plain_events.h"

#include <gtest/gtest.h>

#include "station_records.h"

namespace {

std::string told(station::Port* port, const std::string& records) {
    port->run.records = station::read_station_records(records);
    testing::internal::CaptureStdout();
    station::tell_events(port);
    return testing::internal::GetCapturedStdout();
}

std::string stage_start(int stage) {
    return "{\"call\":\"write\",\"args\":[" + std::to_string(stage) + ",0,0,\"start\"]}\n";
}

// A fast flash test starts and ends between two looks: its line still comes,
// before the download's, and no stage is told twice.
TEST(PlainEvents, EveryStageIsToldOnceEvenWhenTwoStartedBetweenLooks) {
    station::Port port;
    port.drive = 4;
    EXPECT_EQ(told(&port, stage_start(0) + stage_start(1)),
              "drive 4: SATA/SDRAM test\ndrive 4: module test\n");
    EXPECT_EQ(told(&port, stage_start(0) + stage_start(1)), "");
    EXPECT_EQ(told(&port, stage_start(0) + stage_start(1) + stage_start(2) + stage_start(3)),
              "drive 4: flash test\ndrive 4: download\n");
}

}  // namespace
