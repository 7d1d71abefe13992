// Writing the run report: the file is replaced only once the new report is whole, so a program ended
// during the write, or a write that fails, leaves the earlier report as it was and no part of a new one.
#include "support/ReportSchema.h"

#include "convert/KeyConversion.h"
#include "convert/RunReport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>

#include <sys/resource.h>
#include <unistd.h>

namespace {

convert::RunReport reportOf(const std::string &database, std::size_t tables)
{
    convert::RunReport report;
    report.run.program = "morvane-cli convert";
    report.run.mysqlDatabase = database;
    for (std::size_t i = 0; i < tables; ++i) {
        report.tables.emplace_back();
        report.tables.back().names = {"table_" + std::to_string(i), "TABLE_" + std::to_string(i),
                                      "TABLE_" + std::to_string(i)};
    }
    return report;
}

std::vector<std::string> filesIn(const std::string &folder)
{
    std::vector<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Files written by this process stop growing at `bytes` for as long as it lives: a write past that fails
// (EFBIG) part way, as a full disk would.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_before);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_before;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_before);
        std::signal(SIGXFSZ, m_handler);
    }

private:
    rlimit m_before{};
    void (*m_handler)(int) = nullptr;
};

class RunReportFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "morvane-report-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_folder = pattern;
    }
    void TearDown() override
    {
        if (!m_folder.empty())
            std::filesystem::remove_all(m_folder);
    }
    const std::string &folder() const { return m_folder; }
    std::string path(const char *name) const { return m_folder + "/" + name; }

    std::string m_folder;
};

} // namespace

TEST_F(RunReportFile, ANewReportReplacesTheOldOneWholeAndLeavesNothingElse)
{
    const std::string report = path("run.json");
    convert::WriteRunReport(reportOf("first", 1), report);
    // A second name for the first report's file: written in place, it would change too.
    std::filesystem::create_hard_link(report, path("first.json"));
    convert::WriteRunReport(reportOf("second", 2), report);

    EXPECT_EQ(testsupport::readFile(report), convert::RunReportJson(reportOf("second", 2)));
    EXPECT_EQ(testsupport::readFile(path("first.json")), convert::RunReportJson(reportOf("first", 1)))
        << "the report was replaced by another file, not rewritten where it lies";
    EXPECT_EQ(testsupport::reportSchemaErrors(report), "");
    EXPECT_EQ(filesIn(folder()), (std::vector<std::string>{"first.json", "run.json"}));
}

TEST_F(RunReportFile, AWriteThatFailsLeavesTheOldReportAndNoPartOfTheNew)
{
    const std::string report = path("run.json");
    convert::WriteRunReport(reportOf("kept", 1), report);
    const std::string before = testsupport::readFile(report);
    const convert::RunReport big = reportOf("lost", 500);
    ASSERT_GT(convert::RunReportJson(big).size(), before.size() + 4096);
    try {
        FileSizeLimit limit(before.size() + 4096);
        convert::WriteRunReport(big, report);
        ADD_FAILURE() << "a write past the limit went through";
    } catch (const std::runtime_error &e) {
        EXPECT_EQ(std::string(e.what()), "Cannot write the report to " + report + ": File too large");
    }
    EXPECT_EQ(testsupport::readFile(report), before);
    EXPECT_EQ(filesIn(folder()), std::vector<std::string>{"run.json"});

    // A folder that is not there: the same message shape, and nothing made.
    EXPECT_THROW(convert::WriteRunReport(big, path("no/such/run.json")), std::runtime_error);
}

TEST_F(RunReportFile, AskingWhetherAReportCanBeWrittenMakesNoFile)
{
    EXPECT_EQ(convert::ReportPathProblem(path("new.json")), "");
    EXPECT_EQ(convert::ReportPathProblem(path("no/such/new.json")), "No such file or directory");
    EXPECT_EQ(convert::ReportPathProblem(folder()), "Is a directory");
    EXPECT_TRUE(filesIn(folder()).empty());
}

TEST(RunReportOutcome, ARunsRecordOrNothingCompletesTheReportAlike)
{
    convert::RunReport report;
    report.run.program = "morvane";
    report.run.tables = {"orders", "customers"};
    report.started = std::chrono::system_clock::now();
    const auto ended = report.started + std::chrono::seconds(3);

    // A run that began: its record, table by table, and the run's own steps.
    convert::RunRecord record;
    record.selected(report.run.tables);
    record.named({{"orders", "ORDERS", "ORDERS"}, {"customers", "CUSTOMERS", "CUSTOMERS"}});
    record.table(0).finish("converted");
    record.foreignKeys({});
    convert::CompleteRunReport(report, &record, convert::kExitStopped, "", ended);
    ASSERT_EQ(report.tables.size(), 2u);
    EXPECT_EQ(report.tables[0].status, "converted");
    EXPECT_EQ(report.tables[1].status, "not reached");
    EXPECT_EQ(report.tables[1].names.target, "CUSTOMERS");
    EXPECT_EQ(report.steps.size(), record.runSteps().size());
    EXPECT_EQ(report.exitCode, convert::kExitStopped);
    EXPECT_EQ(report.ended, ended);
    const std::string json = convert::RunReportJson(report);
    EXPECT_NE(json.find("\"exitCode\":4,\"outcome\":\"stopped\",\"error\":null"), std::string::npos) << json;

    // No run began (its sessions could not be opened): every selected table is there, not reached, and
    // nothing of the earlier completion is left.
    convert::CompleteRunReport(report, nullptr, convert::kExitError, "ORA-12154: TNS:could not resolve", ended);
    ASSERT_EQ(report.tables.size(), 2u);
    EXPECT_EQ(report.tables[0].names.source, "orders");
    EXPECT_EQ(report.tables[0].status, "not reached");
    EXPECT_EQ(report.tables[0].names.target, "");
    EXPECT_TRUE(report.steps.empty());
    EXPECT_EQ(report.error, "ORA-12154: TNS:could not resolve");
    EXPECT_NE(convert::RunReportJson(report).find("\"outcome\":\"ended by error\""), std::string::npos);
}
