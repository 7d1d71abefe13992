// morvane-cli splitting a selection: tables side by side in one process (--jobs), parts of it in four
// processes at once (--part K/N) and a last pass for the foreign keys; and a verification stopped by a
// signal.
#include "support/ChildProcess.h"
#include "support/EngineRig.h"

#include <gtest/gtest.h>

#include <csignal>
#include <memory>

using testsupport::ChildProcess;
using testsupport::EngineRig;

namespace {

std::vector<std::string> schema()
{
    std::vector<std::string> setup = {"create table owners (id int primary key, name varchar(20) not null)",
                                      "insert into owners select seq, concat('owner ', seq) from seq_1_to_50"};
    for (int t = 1; t <= 7; ++t) {
        const std::string name = "pets_" + std::to_string(t);
        setup.push_back("create table " + name +
                        " (id int primary key, owner_id int not null, kind enum('cat','dog'),"
                        " constraint fk_" +
                        name + "_owner foreign key (owner_id) references owners (id))");
        setup.push_back("insert into " + name +
                        " select seq, seq % 50 + 1, elt(seq % 2 + 1, 'cat', 'dog') from seq_1_to_" +
                        std::to_string(500 * t));
    }
    return setup;
}

std::vector<std::string> tables()
{
    std::vector<std::string> all = {"owners"};
    for (int t = 1; t <= 7; ++t)
        all.push_back("pets_" + std::to_string(t));
    return all;
}

std::vector<std::string> with(std::vector<std::string> options, const std::vector<std::string> &more)
{
    options.insert(options.end(), more.begin(), more.end());
    return options;
}

class CliPartsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        MORVANE_REQUIRE_SANDBOX();
        MORVANE_REQUIRE_STAND_IN("processes of the stand-in's service");
    }
    static std::string count(EngineRig &rig, const std::string &sql) { return rig.oracleRows(sql).at(0).at(0).data; }
};

} // namespace

TEST_F(CliPartsTest, FourPartsAsFourProcessesConvertEveryRowOnceAndTheLastPassTheKeysOnce)
{
    EngineRig rig(schema());
    for (int day = 1; day <= 2; ++day) {
        std::vector<std::unique_ptr<ChildProcess>> parts;
        for (int k = 1; k <= 4; ++k)
            parts.push_back(std::make_unique<ChildProcess>(
                rig.convertCommand("cli/morvane-cli", "convert",
                                   with({"--keep-schema", "--part", std::to_string(k) + "/4"}, tables())),
                ChildProcess::Setup{}));
        for (auto &part : parts) {
            EXPECT_EQ(part->finish(), 0) << part->output();
        }
        std::string out;
        EXPECT_EQ(testsupport::runCommand(rig.convertCommand("cli/morvane-cli", "convert",
                                                             with({"--keep-schema", "--foreign-keys-only"}, tables())),
                                          &out),
                  0)
            << out;
        // The parts replaced the tables, and their keys with them: the pass makes all seven, each once.
        EXPECT_NE(out.find("Foreign keys: 7 created"), std::string::npos) << out;
        EXPECT_EQ(count(rig, "select count(*) from \"OWNERS\""), "50");
        for (int t = 1; t <= 7; ++t)
            EXPECT_EQ(count(rig, "select count(*) from \"PETS_" + std::to_string(t) + "\""), std::to_string(500 * t));
        EXPECT_EQ(count(rig, "select count(*) from user_constraints where constraint_type = 'R'"), "7");
    }
}

TEST_F(CliPartsTest, TablesAtOnceConvertWhatOneAtATimeDoes)
{
    EngineRig rig(schema());
    std::string out;
    EXPECT_EQ(
        testsupport::runCommand(
            rig.convertCommand("cli/morvane-cli", "convert", with({"--keep-schema", "--jobs", "4"}, tables())), &out),
        0)
        << out;
    EXPECT_NE(out.find("Foreign keys: 7 created"), std::string::npos) << out;
    for (int t = 1; t <= 7; ++t)
        EXPECT_EQ(count(rig, "select count(*) from \"PETS_" + std::to_string(t) + "\""), std::to_string(500 * t));
    EXPECT_EQ(
        testsupport::runCommand(rig.convertCommand("cli/morvane-cli", "convert", {"--jobs", "17", "owners"}), &out), 2);
    EXPECT_EQ(
        testsupport::runCommand(rig.convertCommand("cli/morvane-cli", "convert", {"--part", "5/4", "owners"}), &out),
        2);
}

TEST_F(CliPartsTest, AVerificationStoppedByASignalEndsWithExit4)
{
    EngineRig rig({"create table big (id int primary key, v varchar(10))",
                   "insert into big select seq, 'v' from seq_1_to_40000"});
    std::string out;
    ASSERT_EQ(testsupport::runCommand(rig.convertCommand("cli/morvane-cli", "convert", {"big"}), &out), 0) << out;
    ChildProcess verify(rig.convertCommand("cli/morvane-cli", "verify", {"big"}),
                        {{"ORACLE_SIM_DELAY_MS=2"}, {}, false});
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    verify.signal(SIGINT);
    EXPECT_EQ(verify.finish(), 4) << verify.output();
    EXPECT_NE(verify.output().find("Verification interrupted: 0 tables verified."), std::string::npos)
        << verify.output();
}
