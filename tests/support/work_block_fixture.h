// A fresh, zero-filled work block for each test, as the entry allocates it.
#pragma once

#include <gtest/gtest.h>

#include "host_main/station_log.h"
#include "run_state/work_block.h"
#include "platform/memory.h"
#include "support/doubles/recording_disk.h"

class WorkBlockTest : public testing::Test {
  protected:
    void SetUp() override {
        work = static_cast<WorkBlock*>(platform::pages_allocate(sizeof(WorkBlock)));
        ASSERT_NE(work, nullptr);
        work->drive = 3;
        recording_disk_reset();
        clear_log_buffer();
    }
    void TearDown() override {
        platform::pages_release(work, sizeof(WorkBlock));
        work = nullptr;
    }
};
