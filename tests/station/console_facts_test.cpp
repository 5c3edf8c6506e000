// What the station reads from a tool's console output and station records.
#include "console_facts.h"

#include <gtest/gtest.h>

#include "station_records.h"

namespace {

using station::ConsoleFacts;
using station::read_console;

ConsoleFacts facts_of(const std::vector<std::string>& pieces) {
    ConsoleFacts facts;
    for (const std::string& piece : pieces) {
        read_console(&facts, piece);
    }
    return facts;
}

TEST(ConsoleFacts, IdentityErrorsAndFactoryBadLinesAcrossPieces) {
    const ConsoleFacts facts = facts_of({
        "Firmware revision = 2001\nModel number = DISK A\nSATA/SDRAM test 20%\rSATA/SDRAM t",
        "est 40%\r\nserial number = A1B2C3\n",
        "12 bad blocks = 0.15% in  low bank 0=A0\t\n9 bad blocks = 0.11% in high bank 11=D2\t\n",
        "\nERROR: data corruption. see good.bin and bad.bin\n",
    });
    EXPECT_EQ(facts.fw_revision, "2001");
    EXPECT_EQ(facts.model, "DISK A");
    EXPECT_EQ(facts.serial, "A1B2C3");
    ASSERT_EQ(facts.factory_bad.size(), 2u);
    EXPECT_EQ(facts.factory_bad[0].bank, 0u);
    EXPECT_EQ(facts.factory_bad[0].chip, "low");
    EXPECT_EQ(facts.factory_bad[0].blocks, 12u);
    EXPECT_DOUBLE_EQ(facts.factory_bad[0].percent, 0.15);
    EXPECT_EQ(facts.factory_bad[1].bank, 11u);
    EXPECT_EQ(facts.factory_bad[1].chip, "high");
    EXPECT_EQ(facts.errors, std::vector<std::string>{"ERROR: data corruption. see good.bin and bad.bin"});
    EXPECT_EQ(facts.last_line, "ERROR: data corruption. see good.bin and bad.bin");
}

TEST(ConsoleFacts, TheToolsQuestionsAndTheirKeys) {
    struct Case {
        std::string output;
        std::string question;  // empty: none waiting
        std::string keys;
    };
    const std::vector<Case> cases = {
        {"\nchange the jumper setting (factory mode -> normal mode)\n[press any key]\n",
         "change the jumper setting (factory mode -> normal mode)", "\n"},
        {"WARNING: Detected flash configuration is larger than intended. Proceed ?",
         "WARNING: Detected flash configuration is larger than intended. Proceed ?", "yn"},
        {"FTL fragmentation ?", "FTL fragmentation ?", "yn"},
        {"Flash BIST count = ", "Flash BIST count =", ""},
        {"Flash timing test size = ", "Flash timing test size =", ""},
        {"\npress any key to finish\n", "press any key to finish", "\n"},
        // Answered: the tool goes on printing.
        {"FTL fragmentation ?n\n", "", ""},
        {"Flash BIST count = Size of SDRAM is 64 MB\n", "", ""},
        {"\nchange the jumper setting (factory mode -> normal mode)\n[press any key]\nmore\n", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.output);
        const ConsoleFacts facts = facts_of({c.output});
        EXPECT_EQ(facts.question.has_value(), !c.question.empty());
        if (facts.question) {
            EXPECT_EQ(facts.question->text, c.question);
            EXPECT_EQ(facts.question->keys, c.keys);
        }
    }
}

TEST(StationRecords, StagesFailRecordAndRevisionFromAnyRecordShape) {
    const station::RecordFacts facts = station::read_station_records(
        "{\"call\":\"initialize\",\"args\":[0,3,\"127.0.0.1\",40001,0]}\n"
        "{\"call\":\"write\",\"args\":[10,0,0,\"1916\"],\"drive\":3,\"pid\":77,\"time\":\"x\"}\n"
        "not a record\n"
        "{\"drive\":3,\"call\":\"write\",\"args\":[0,0,0,\"SATA Test start.\"]}\n"
        "{\"call\":\"write\",\"args\":[1,0,0,\"Module Test start\"]}\n"
        "{\"call\":\"write\",\"args\":[1,4,0,\"Bank configuration error\\n\"]}\n"
        "{\"call\":\"finalize\",\"args\":[]}\n"
        "{\"call\":\"write\",\"args\":[2,0,0,\"half a li");
    EXPECT_EQ(facts.built_in_revision, "1916");
    EXPECT_EQ(station::last_stage(facts), 1);
    EXPECT_EQ(facts.stages_started, (std::vector<int>{0, 1}));
    EXPECT_EQ(facts.fail_stage, 1);
    EXPECT_EQ(facts.fail_record, "Bank configuration error\n");
    EXPECT_EQ(station::stage_name(station::last_stage(facts)), "module test");
}

}  // namespace
