// The CSV for the factory's systems: RFC 4180 quoting and one row per run.
#include "csv.h"

#include <gtest/gtest.h>

#include <sstream>

#include "report_fixture.h"

namespace station_report {
namespace {

TEST(Csv, QuotesOnlyFieldsThatNeedIt) {
    const std::pair<std::string, std::string> cases[] = {
        {"SN0001", "SN0001"},
        {"", ""},
        {"a,b", "\"a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"two\nlines", "\"two\nlines\""},
        {"cr\r", "\"cr\r\""},
        {"  spaces kept ", "  spaces kept "},
    };
    for (const auto& [text, field] : cases) {
        EXPECT_EQ(csv_field(text), field);
    }
}

TEST(Csv, HeaderThenOneRowPerRunWithEveryField) {
    RunRecord failed = make_run(3, Outcome::failed, "2026-12-11T12:00:31Z", 31.5);
    failed.serial.reset();
    failed.model = "SSD, \"64\"";
    failed.options = {"L", "B2", "Gy"};
    failed.stage = "flash test";
    failed.errors = {"ERROR: too many bad blocks in bank 2=C0\t", "ERROR: NAND Flash test failed"};
    failed.fail_record = "Flash test fail\n";
    failed.factory_bad = {{0, Chip::low, 12, 0.15}, {0, Chip::high, 9, 0.10986328125}};
    std::ostringstream csv;
    write_csv({make_run(1, Outcome::produced), failed}, csv);
    EXPECT_EQ(
        csv.str(),
        "drive,serial,build,fw_revision,model,options,start,end,seconds,exit_code,result,stage,errors,"
        "fail_record,run_dir,factory_bad\r\n"
        "1,SN0001,1,R1.0,FACTORY SSD 64,L B2,2026-12-11T12:00:00Z,2026-12-11T12:01:24Z,84.2,0,produced,,,,"
        "runs/20261211-120000-d1,\r\n"
        "3,,1,R1.0,\"SSD, \"\"64\"\"\",L B2 Gy,2026-12-11T12:00:00Z,2026-12-11T12:00:31Z,31.5,1,failed,"
        "flash test,\"ERROR: too many bad blocks in bank 2=C0\t\nERROR: NAND Flash test failed\","
        "\"Flash test fail\n\",runs/20261211-120000-d3,0L:12:0.15 0H:9:0.10986328125\r\n");
}

TEST(Csv, NoRunsIsTheHeaderAlone) {
    std::ostringstream csv;
    write_csv({}, csv);
    EXPECT_EQ(csv.str().find("\r\n"), csv.str().size() - 2);
}

}  // namespace
}  // namespace station_report
