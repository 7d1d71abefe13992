#include "PerfCommand.h"

#include "Measure.h"
#include "ParallelSpeedup.h"
#include "PerfData.h"
#include "PerfReport.h"
#include "VerifyCheckCost.h"

#include "convert/LogSink.h"
#include "convert/NameRules.h"
#include "convert/RowCopy.h"
#include "convert/TargetSteps.h"
#include "db/Drivers.h"
#include "db/Error.h"
#include "db/Profiles.h"
#include "db/TargetTable.h"

#include <mysql.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <memory>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

const char *kUsage = "usage: morvane-bench perf [--rows N] [--quick] [--write-doc [PATH]] [--mysql-user U]\n"
                     "         [--mysql-password P]\n"
                     "Measures the row copy against the private MariaDB (MYSQL_HOME) and the Oracle stand-in,\n"
                     "with its own data, and prints the figures. --rows sets the largest table (default\n"
                     "1000000); --quick is a run of under a minute; --write-doc writes docs/performance.md.\n";

constexpr const char *kService = "PERF";
constexpr const char *kOracleUser = "BENCH";
constexpr const char *kOraclePassword = "bench";

// A database of its own per run, so runs side by side (a test and a measurement) keep apart.
const std::string kDatabase = "morvane_perf_" + std::to_string(getpid());

struct Options {
    std::size_t rows = 1000000;
    bool quick = false;
    bool writeDoc = false;
    std::string docPath;
    std::string user = "morvane";
    std::string password = "morvane";
};

std::string binaryDir()
{
    return std::filesystem::canonical("/proc/self/exe").parent_path().parent_path().string();
}

// The process of the MariaDB server the benchmark talks to, or -1. It connects to "localhost", so the
// server's pid file is one of this machine.
long localServerPid(db::Connection &mysql)
{
    try {
        const auto rows = mysql.query("select @@pid_file");
        if (rows.empty() || rows[0].empty())
            return -1;
        long pid = -1;
        std::ifstream(rows[0][0].toText()) >> pid;
        std::string name;
        std::ifstream("/proc/" + std::to_string(pid) + "/comm") >> name;
        return name == "mariadbd" || name == "mysqld" ? pid : -1;
    } catch (const db::Error &) {
        return -1;
    }
}

// The MySQL and Oracle sides of the benchmark, with data of its own on both.
class PerfRig {
public:
    explicit PerfRig(const Options &options) : m_options(options)
    {
        auto admin = db::createMySqlConnection();
        admin->replaceProfile(db::mysqlSourceProfile("", options.user, options.password, ""));
        admin->open();
        admin->execute("drop database if exists " + kDatabase);
        admin->execute("create database " + kDatabase + " character set utf8mb4");
        m_profile = db::mysqlSourceProfile(kDatabase, options.user, options.password, "");
        m_mysql = db::createMySqlConnection();
        m_mysql->replaceProfile(m_profile);
        m_mysql->open();
        m_rowSource = db::createMySqlConnection();
        m_serverPid = localServerPid(*m_mysql);

        char pattern[] = "/tmp/morvane-perf-XXXXXX";
        if (!mkdtemp(pattern))
            throw db::Error("cannot create a folder for the Oracle stand-in");
        m_oracleHome = pattern;
        setenv("ORACLE_SIM_HOME", m_oracleHome.c_str(), 1);
        std::string admin_tool = binaryDir() + "/oracle-sim/oracle-sim-admin";
        std::string command = admin_tool + " create-user " + kService + " " + kOracleUser + " " + kOraclePassword;
        if (std::system(command.c_str()) != 0)
            throw db::Error("oracle-sim-admin could not create the benchmark's Oracle user");
        connectOracle();
    }

    ~PerfRig()
    {
        m_oracleData.reset();
        m_oracleInsert.reset();
        std::error_code ec;
        std::filesystem::remove_all(m_oracleHome, ec);
        try {
            m_mysql->execute("drop database if exists " + kDatabase);
        } catch (const std::exception &) {
        }
    }

    // Reconnects to Oracle, so that stand-in settings read at logon (the round-trip delay) apply.
    void connectOracle()
    {
        auto profile = db::oracleTargetProfile(kService, kOracleUser, kOraclePassword);
        m_oracleData = db::createOracleConnection();
        m_oracleData->replaceProfile(profile);
        m_oracleData->open();
        m_oracleInsert = db::createOracleConnection();
        m_oracleInsert->replaceProfile(profile);
        m_oracleInsert->open();
    }

    db::Connection &mysql() { return *m_mysql; }
    db::Connection &oracleInsert() { return *m_oracleInsert; }

    convert::TableNames names(const std::string &table) const
    {
        return {table, convert::ApplyNameCase(table, true), convert::ApplyNameCase(table, true)};
    }

    void recreateTarget(const std::string &table)
    {
        auto n = names(table);
        try {
            m_oracleData->execute("drop table " + convert::quoteOracleName(n.target));
        } catch (const db::Error &) {
            // Not there yet.
        }
        auto created = convert::CreateTargetTable(*m_oracleData, *m_mysql, n, {});
        if (!created.success)
            throw db::Error("create " + n.target + ": " + created.message);
    }

    void dropTarget(const std::string &table)
    {
        m_oracleData->execute("drop table " + convert::quoteOracleName(names(table).target));
    }

    // The engine's copy of one table; returns seconds, the peak memory while it ran.
    CopyFigures copy(const std::string &table, db::ApplyMode mode = db::ApplyMode::Array)
    {
        recreateTarget(table);
        convert::MemoryLog log;
        log.append("Insert table " + table + "... ");
        convert::ProgressHook noEvents;
        convert::ConversionOptions options;
        convert::CopyContext context{*m_rowSource, m_profile, *m_oracleInsert, options, log, noEvents, mode};
        malloc_trim(0);
        resetPeakResident();
        const std::size_t before = peakResidentBytes();
        const double serverBefore = processorSecondsOf(m_serverPid);
        const double processorBefore = processorSeconds();
        Stopwatch clock;
        auto result = convert::CopyTableRows(context, names(table));
        CopyFigures figures;
        figures.seconds = clock.seconds();
        const double serverAfter = processorSecondsOf(m_serverPid);
        if (serverBefore >= 0 && serverAfter >= 0)
            figures.processorSeconds = processorSeconds() - processorBefore + serverAfter - serverBefore;
        figures.peakBytes = peakResidentBytes();
        figures.baseBytes = before;
        figures.rows = result.rows;
        // The run reopens the row connection for every table; closing it here keeps one copy's
        // buffers out of the next one's figures.
        m_rowSource->close();
        if (!result.success)
            throw db::Error("copy of " + table + " failed: " + result.message);
        return figures;
    }

    // A plain streamed read through MariaDB Connector/C alone: what the source allows.
    double rawRead(const std::string &table, std::size_t &rows, std::size_t &bytes)
    {
        MYSQL *mysql = mysql_init(nullptr);
        mysql_optionsv(mysql, MYSQL_READ_DEFAULT_GROUP, "client");
        mysql_optionsv(mysql, MYSQL_SET_CHARSET_NAME, "utf8mb4");
        if (!mysql_real_connect(mysql, "localhost", m_options.user.c_str(), m_options.password.c_str(), kDatabase.c_str(), 0,
                                nullptr, 0)) {
            std::string message = mysql_error(mysql);
            mysql_close(mysql);
            throw db::Error(message);
        }
        Stopwatch clock;
        std::string sql = "select * from " + table;
        if (mysql_real_query(mysql, sql.data(), sql.size()) != 0) {
            std::string message = mysql_error(mysql);
            mysql_close(mysql);
            throw db::Error(message);
        }
        MYSQL_RES *result = mysql_use_result(mysql);
        const unsigned fields = mysql_num_fields(result);
        rows = 0;
        bytes = 0;
        while (MYSQL_ROW row = mysql_fetch_row(result)) {
            unsigned long *lengths = mysql_fetch_lengths(result);
            for (unsigned i = 0; i < fields; ++i)
                bytes += row[i] ? lengths[i] : 0;
            ++rows;
        }
        mysql_free_result(result);
        double seconds = clock.seconds();
        mysql_close(mysql);
        return seconds;
    }

    // The Oracle driver's array insert of the table's rows, read into memory first: what the target allows.
    double arrayInsert(const std::string &table, std::size_t &rows)
    {
        std::vector<db::Row> data;
        std::vector<std::string> columns;
        {
            auto page = m_mysql->createDataSet();
            page->open("select * from " + table, db::FetchMode::Streamed);
            for (int i = 0; i < page->fieldCount(); ++i)
                columns.push_back(convert::ApplyNameCase(page->fieldName(i), true));
            while (!page->eof()) {
                db::Row row;
                row.reserve(columns.size());
                for (int i = 0; i < page->fieldCount(); ++i)
                    row.push_back(page->value(i));
                data.push_back(std::move(row));
                page->next();
            }
        }
        recreateTarget(table);
        auto target = m_oracleInsert->createTargetTable("oracleinsertdata");
        Stopwatch clock;
        target->open(names(table).target);
        std::vector<std::size_t> map;
        for (const auto &c : columns)
            map.push_back(target->columnIndex(c));
        std::size_t n = 0;
        for (const auto &row : data) {
            target->append();
            for (std::size_t i = 0; i < row.size(); ++i)
                target->setValue(map[i], row[i]);
            target->post();
            if (++n % convert::kApplyInterval == 0)
                target->apply();
        }
        target->apply();
        rows = data.size();
        return clock.seconds();
    }

private:
    const Options &m_options;
    std::vector<std::string> m_profile;
    std::unique_ptr<db::Connection> m_mysql, m_rowSource, m_oracleData, m_oracleInsert;
    std::string m_oracleHome;
    long m_serverPid = -1;
};

bool parse(int argc, char **argv, Options &options, std::string &error)
{
    for (int i = 0; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--help") {
            error = "help";
            return false;
        } else if (a == "--quick") {
            options.quick = true;
        } else if (a == "--write-doc") {
            options.writeDoc = true;
            if (i + 1 < argc && argv[i + 1][0] != '-')
                options.docPath = argv[++i];
        } else if ((a == "--rows" || a == "--mysql-user" || a == "--mysql-password") && i + 1 < argc) {
            std::string v = argv[++i];
            if (a == "--rows") {
                char *end = nullptr;
                unsigned long long n = std::strtoull(v.c_str(), &end, 10);
                if (!end || *end || n < 100) {
                    error = "--rows takes a whole number of at least 100";
                    return false;
                }
                options.rows = n;
            } else if (a == "--mysql-user") {
                options.user = v;
            } else {
                options.password = v;
            }
        } else {
            error = "unknown or incomplete option " + a;
            return false;
        }
    }
    return true;
}

} // namespace

int runPerfCommand(int argc, char **argv)
{
    Options options;
    std::string error;
    if (!parse(argc, argv, options, error)) {
        if (error == "help") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        std::fprintf(stderr, "morvane-bench perf: %s\n%s", error.c_str(), kUsage);
        return 2;
    }
    bool rowsGiven = false;
    for (int i = 0; i < argc; ++i)
        rowsGiven = rowsGiven || std::string(argv[i]) == "--rows";
    if (options.quick && !rowsGiven)
        options.rows = 20000;

    try {
        PerfRig rig(options);
        PerfReport report;
        report.rows = options.rows;

        // Cost per row as the table grows: the same wide table at three sizes, each the best of several
        // copies. The machine may be shared, so the cost is processor time of this process and the
        // server where both can be read, wall time otherwise. The rounds go through the sizes in turn, so
        // that a spell of load falls on every size rather than on one.
        const std::size_t sizes[3] = {options.rows / 50, options.rows / 5, options.rows};
        for (std::size_t size : sizes) {
            std::fprintf(stderr, "perf: wide table, %zu rows\n", size);
            perfdata::createWide(rig.mysql(), "wide_" + std::to_string(size), size);
        }
        report.scaling.resize(3);
        double fastestLargest = 0; // E of the wide table below is wall time
        for (int round = 0; round < 6; ++round) {
            for (std::size_t i = 0; i < 3; ++i) {
                CopyFigures copy = rig.copy("wide_" + std::to_string(sizes[i]));
                if (i == 2 && (round == 0 || copy.seconds < fastestLargest))
                    fastestLargest = copy.seconds;
                if (round == 0 || copy.cost() < report.scaling[i].cost())
                    report.scaling[i] = copy;
            }
        }

        // The largest wide table and a narrow one of the same size: E against what each server allows.
        const std::string wide = "wide_" + std::to_string(options.rows);
        const std::string narrow = "narrow_" + std::to_string(options.rows);
        perfdata::createNarrow(rig.mysql(), narrow, options.rows);
        for (const auto &[table, into] : {std::pair{wide, &report.wide}, std::pair{narrow, &report.narrow}}) {
            std::fprintf(stderr, "perf: read, write and copy of %s\n", table.c_str());
            std::size_t rows = 0, bytes = 0;
            into->readSeconds = rig.rawRead(table, rows, bytes);
            into->rows = rows;
            into->writeSeconds = rig.arrayInsert(table, rows);
            into->copySeconds = table == wide ? fastestLargest : rig.copy(table).seconds;
            malloc_trim(0);
        }

        // Round trips: 1 ms added to each, array applies against one INSERT per row.
        const std::size_t delayRows = options.quick ? 500 : 3000;
        perfdata::createNarrow(rig.mysql(), "delay_rows", delayRows);
        setenv("ORACLE_SIM_DELAY_MS", "1", 1);
        rig.connectOracle();
        std::fprintf(stderr, "perf: 1 ms round trips, %zu rows\n", delayRows);
        report.delayRows = delayRows;
        report.delayArraySeconds = rig.copy("delay_rows").seconds;
        report.delayRowByRowSeconds = rig.copy("delay_rows", db::ApplyMode::RowByRow).seconds;
        unsetenv("ORACLE_SIM_DELAY_MS");
        rig.connectOracle();

        // Large objects of 1 MB.
        const std::size_t lobRows = options.quick ? 20 : 100;
        report.lobRows = lobRows;
        report.lobBytes = 1u << 20;
        perfdata::createLobs(rig.mysql(), "lobs", lobRows, report.lobBytes);
        std::fprintf(stderr, "perf: %zu large objects of 1 MB\n", lobRows);
        // Best of three each, alternating: writing 100 MB at a time, the file system's own flushing
        // shows up in single runs.
        for (int round = 0; round < 3; ++round) {
            std::size_t rows = 0, bytes = 0;
            const double read = rig.rawRead("lobs", rows, bytes);
            if (round == 0 || read < report.lobReadSeconds)
                report.lobReadSeconds = read;
            const double write = rig.arrayInsert("lobs", rows);
            malloc_trim(0);
            CopyFigures copy = rig.copy("lobs");
            if (round == 0 || write < report.lobWriteSeconds)
                report.lobWriteSeconds = write;
            if (round == 0 || copy.seconds < report.lobCopy.seconds)
                report.lobCopy = copy;
        }

        // Memory while large objects are copied: one huge object, then many large ones, each table on
        // its own after the others are dropped.
        const std::size_t mb = 1u << 20;
        const std::pair<std::size_t, std::size_t> lobTables[] = {
            {1, (options.quick ? 16 : 100) * mb}, {options.quick ? 8 : 50, (options.quick ? 4 : 10) * mb}};
        for (const auto &[objects, bytes] : lobTables) {
            std::fprintf(stderr, "perf: memory of %zu large objects of %zu MB\n", objects, bytes / mb);
            rig.mysql().execute("drop table if exists lobs");
            perfdata::createLobs(rig.mysql(), "big_lobs", objects, bytes);
            malloc_trim(0);
            LobMemoryFigures figures;
            figures.objects = objects;
            figures.objectBytes = bytes;
            figures.copy = rig.copy("big_lobs");
            report.lobMemory.push_back(figures);
            rig.dropTarget("big_lobs");
        }


        std::fprintf(stderr, "perf: the cost of --verify and of check on %s\n", wide.c_str());
        const VerifyCheckCost cost =
            measureVerifyAndCheck(db::mysqlSourceProfile(kDatabase, options.user, options.password, ""),
                                  db::oracleTargetProfile(kService, kOracleUser, kOraclePassword), kOracleUser, wide);

        // Tables side by side: eight tables of the narrow kind, one at a time and four at once.
        const std::size_t parallelRows = options.quick ? 5000 : 40000;
        std::vector<std::string> parallelTables;
        for (int t = 1; t <= 8; ++t) {
            parallelTables.push_back("side_" + std::to_string(t));
            perfdata::createNarrow(rig.mysql(), parallelTables.back(), parallelRows);
        }
        std::fprintf(stderr, "perf: 8 tables of %zu rows, one at a time and four at once\n", parallelRows);
        const ParallelSpeedup parallel =
            measureParallelSpeedup(db::mysqlSourceProfile(kDatabase, options.user, options.password, ""),
                                   db::oracleTargetProfile(kService, kOracleUser, kOraclePassword), kOracleUser,
                                   parallelTables, parallelRows, 2);

        std::string text = report.render() + cost.render() + parallel.render();
        std::fputs(text.c_str(), stdout);
        std::string summary = report.summary();
        if (!summary.empty() && summary.back() == '\n')
            summary.pop_back();
        char more[160];
        std::snprintf(more, sizeof more, " verify_ratio=%.2f parallel_speedup=%.2f parallel_no_delay=%.2f\n",
                      cost.verifyRatio(), parallel.speedup(), parallel.speedupNoDelay());
        std::fputs((summary + more).c_str(), stdout);
        std::fflush(stdout);
        if (options.writeDoc) {
            std::string path = options.docPath.empty() ? std::string(MORVANE_SOURCE_DIR) + "/docs/performance.md"
                                                       : options.docPath;
            report.writeDocument(path);
            if (std::FILE *doc = std::fopen(path.c_str(), "a")) {
                std::fputs(cost.render().c_str(), doc);
                std::fputs(parallel.render().c_str(), doc);
                std::fclose(doc);
            }
            std::fprintf(stderr, "perf: wrote %s\n", path.c_str());
        }
        return 0;
    } catch (const std::exception &e) {
        std::fprintf(stderr, "morvane-bench perf: %s\n", e.what());
        return 1;
    }
}
