// What morvane-cli prints while it works, for a terminal, a file or a pipe alike: each line once it is
// final, a line held longer than a moment (a slow statement, a long copy) as it stands and then in its
// final form, and a quick run exactly as it always printed.
#include "support/ChildProcess.h"
#include "support/EngineRig.h"
#include "support/ReportSchema.h"

#include "cli/PrintingLog.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

using testsupport::ChildProcess;
using testsupport::EngineRig;
using namespace std::chrono_literals;

namespace {

bool has(const std::string &text, const std::string &part) { return text.find(part) != std::string::npos; }

// A PrintingLog writing into a file of its own, read back as someone following it would.
class PrintedFile {
public:
    explicit PrintedFile(const std::string &path) : m_path(path), m_file(std::fopen(path.c_str(), "w")) {}
    ~PrintedFile()
    {
        if (m_file)
            std::fclose(m_file);
    }
    std::FILE *file() const { return m_file; }
    std::string text() const { return testsupport::readFile(m_path); }

private:
    std::string m_path;
    std::FILE *m_file;
};

class PrintingLogTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    std::string path(const char *name) const { return m_dir.path().toStdString() + "/" + name; }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(PrintingLogTest, LinesThatSettleQuicklyArePrintedOnceAsTheyEnd)
{
    PrintedFile out(path("quick.log"));
    {
        cli::PrintingLog log(out.file());
        log.append("Create table T... ");
        log.replaceLast("Create table T...Done");
        log.append("");
        log.append("Insert table T... ");
        log.replaceLast("Insert table T 0 Rows ");
        log.replaceLast("Insert table T 100 Rows ");
        log.replaceLast(log.lastLine() + "...Done");
        EXPECT_EQ(out.text(), "Create table T...Done\n\n") << "the last line may still change";
        log.append("");
    }
    EXPECT_EQ(out.text(), "Create table T...Done\n\nInsert table T 100 Rows ...Done\n\n");
}

TEST_F(PrintingLogTest, OnATerminalAStatusLineIsRewrittenUnderTheLinesAndClearedAtTheEnd)
{
    PrintedFile out(path("terminal.log"));
    {
        cli::PrintingLog log(out.file(), {std::chrono::milliseconds(20), std::chrono::milliseconds(40)}, true);
        log.append("Create table T... ");
        log.setStatus("Table 1 of 2, T: 0 rows");
        // A held line waits for its final form: the status line says where the run is.
        std::this_thread::sleep_for(100ms);
        log.replaceLast("Create table T...Done");
        log.setStatus("Table 1 of 2, T: 5 rows");
        log.append("");
    }
    // Each line once, in its final form, with the status line cleared before it and drawn again after.
    EXPECT_EQ(out.text(), "\rTable 1 of 2, T: 0 rows\x1b[K"
                          "\rTable 1 of 2, T: 5 rows\x1b[K"
                          "\r\x1b[KCreate table T...Done\n"
                          "\rTable 1 of 2, T: 5 rows\x1b[K"
                          "\r\x1b[K\n"
                          "\rTable 1 of 2, T: 5 rows\x1b[K"
                          "\r\x1b[K");
}

TEST_F(PrintingLogTest, ALineHeldLongIsPrintedAsItStandsThenAgainWhileItChangesThenFinal)
{
    PrintedFile out(path("slow.log"));
    cli::PrintingLog log(out.file(), {50ms, 300ms});
    log.append("Create table T... ");
    std::this_thread::sleep_for(400ms);
    EXPECT_EQ(out.text(), "Create table T... \n");
    log.replaceLast("Create table T...Done");
    log.append("");
    EXPECT_EQ(out.text(), "Create table T... \nCreate table T...Done\n");

    // A blank line held long is printed once; so is a line that does not change after it was printed.
    std::this_thread::sleep_for(400ms);
    log.append("Skip table S... ");
    std::this_thread::sleep_for(400ms);
    log.append("");
    EXPECT_EQ(out.text(), "Create table T... \nCreate table T...Done\n\nSkip table S... \n");

    // A row counter: printed as it stands, then at the interval while it moves, then final.
    log.append("Insert table T 0 Rows ");
    std::this_thread::sleep_for(150ms);
    for (int rows = 100; rows <= 800; rows += 100) {
        log.replaceLast("Insert table T " + std::to_string(rows) + " Rows ");
        std::this_thread::sleep_for(100ms);
    }
    log.replaceLast(log.lastLine() + "...Done");
    log.flush();
    const std::string text = out.text();
    const std::string counting = text.substr(text.find("Insert table T"));
    EXPECT_TRUE(counting.starts_with("Insert table T 0 Rows \nInsert table T ")) << text;
    EXPECT_TRUE(counting.ends_with("Insert table T 800 Rows ...Done\n")) << text;
    const auto printed = std::count(counting.begin(), counting.end(), '\n');
    EXPECT_GE(printed, 3) << text;
    EXPECT_LE(printed, 6) << "at most one line per interval while it changes\n" << text;
}

class CliOutputTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        MORVANE_REQUIRE_SANDBOX();
        MORVANE_REQUIRE_STAND_IN("the stand-in's delay");
        ASSERT_TRUE(m_dir.isValid());
    }
    std::string path(const char *name) const { return m_dir.path().toStdString() + "/" + name; }

    // morvane-cli convert with its standard output sent to a file, as `morvane-cli convert ... > run.log`.
    static std::vector<std::string> intoFile(EngineRig &rig, const std::string &file,
                                             const std::vector<std::string> &tables)
    {
        std::vector<std::string> args = rig.convertCommand("cli/morvane-cli", "convert", tables);
        args.insert(args.begin(), {"/bin/sh", "-c", "exec \"$@\" > '" + file + "'", "sh"});
        return args;
    }

    QTemporaryDir m_dir;
};

TEST_F(CliOutputTest, AQuickRunPrintsEachLineOnceAsItEnds)
{
    EngineRig rig({"create table tidy (id int primary key, note varchar(20))",
                   "insert into tidy select seq, concat('t', seq) from seq_1_to_250"});
    const std::string file = path("quick.log");
    ChildProcess run(intoFile(rig, file, {"tidy"}), {});
    EXPECT_EQ(run.finish(), 0) << run.output();
    EXPECT_EQ(testsupport::readFile(file), "Create table TIDY...Done\n"
                                           "\n"
                                           "Insert table TIDY 250 Rows ...Done\n"
                                           "\n"
                                           "Conversion is Completed\n"
                                           "Wizard has migrated your MySQL database to Oracle server successfully.\n"
                                           "Click 'Finish' to exit the wizard.\n");
}

TEST_F(CliOutputTest, ALongCopyShowsItsRowCounterInTheFileWhileItRuns)
{
    EngineRig rig({"create table big (id int primary key, note varchar(20))",
                   "insert into big select seq, concat('n', seq) from seq_1_to_6000"});
    const std::string file = path("slow.log");
    // Each round trip to Oracle takes 20 ms: the copy takes seconds, in applies of 100 rows.
    ChildProcess run(intoFile(rig, file, {"big"}), {{"ORACLE_SIM_DELAY_MS=20"}, {}, false});
    std::string seen;
    const auto giveUp = std::chrono::steady_clock::now() + 60s;
    while (!has(seen, " Rows \n") && std::chrono::steady_clock::now() < giveUp) {
        std::this_thread::sleep_for(50ms);
        seen = testsupport::readFile(file);
    }
    EXPECT_TRUE(has(seen, "Create table BIG...Done\n\nInsert table BIG ")) << seen;
    EXPECT_TRUE(has(seen, " Rows \n")) << "the counter, while the copy goes on\n" << seen;
    EXPECT_FALSE(has(seen, "...Done\n\nConversion is Completed")) << "seen only at the end\n" << seen;
    EXPECT_EQ(run.finish(), 0) << run.output();
    const std::string final = testsupport::readFile(file);
    EXPECT_TRUE(final.starts_with(seen)) << "what was printed stays as it was\n" << final;
    EXPECT_TRUE(has(final, "\nInsert table BIG 6000 Rows ...Done\n\nConversion is Completed\n")) << final;
}
