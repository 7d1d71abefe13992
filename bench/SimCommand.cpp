#include "SimCommand.h"

#include "Measure.h"

#include "convert/RowCopy.h"
#include "db/Drivers.h"
#include "db/Error.h"
#include "db/Profiles.h"
#include "db/TargetTable.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <malloc.h>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

const char *kUsage = "usage: morvane-bench sim [--rows N] [--columns C] [--tables T] [--table-rows R]\n"
                     "The stand-in's own figures through the OCI driver: peak memory and seconds of a count,\n"
                     "a streamed read of every column, the largest key and key lookups on a table of N rows\n"
                     "(default 1000000) and C columns (default 40); then T tables (default 8) of R rows\n"
                     "(default 40000) written by 1 and by 4 sessions at once, with 2 ms round trips and without.\n";

constexpr const char *kService = "SIMBENCH";

std::string binaryDir() { return std::filesystem::canonical("/proc/self/exe").parent_path().parent_path().string(); }

std::unique_ptr<db::Connection> connect()
{
    auto c = db::createOracleConnection();
    c->replaceProfile(db::oracleTargetProfile(kService, "BENCH", "bench"));
    c->setCallTimeout(0);
    c->open();
    return c;
}

// One wide table: a NUMBER key, then numbers, texts and dates in turn.
void createWide(db::Connection &oracle, std::size_t rows, std::size_t columns)
{
    std::string ddl = "create table wide (id number primary key";
    for (std::size_t c = 1; c < columns; ++c)
        ddl += ", c" + std::to_string(c) + (c % 3 == 1 ? " number(12,2)" : c % 3 == 2 ? " varchar2(40)" : " date");
    oracle.execute(ddl + ")");
    auto target = oracle.createTargetTable("wide");
    target->open("WIDE");
    for (std::size_t r = 1; r <= rows; ++r) {
        target->append();
        target->setValue(std::size_t{0}, db::Value::integer(static_cast<std::int64_t>(r)));
        for (std::size_t c = 1; c < columns; ++c) {
            const std::size_t v = (r * 7919 + c * 104729) % 1000003;
            if (c % 3 == 1)
                target->setValue(c, db::Value::of(db::ValueKind::Decimal,
                                                  std::to_string(v / 100) + "." + std::to_string(10 + v % 90)));
            else if (c % 3 == 2)
                target->setValue(c, db::Value::text("value " + std::to_string(v) + " of column " + std::to_string(c)));
            else
                target->setValue(c, db::Value::of(db::ValueKind::DateTime, "20" + std::to_string(10 + v % 20) + "-0" +
                                                                               std::to_string(1 + v % 9) + "-1" +
                                                                               std::to_string(v % 9) + " 12:00:00"));
        }
        target->post();
        if (r % convert::kApplyInterval == 0)
            target->apply();
    }
    target->apply();
}

struct Figure {
    double seconds = 0;
    double peakMb = 0;
};

template <class Fn> Figure measure(Fn &&fn)
{
    malloc_trim(0);
    resetPeakResident();
    const std::size_t before = peakResidentBytes();
    Stopwatch clock;
    fn();
    Figure f;
    f.seconds = clock.seconds();
    f.peakMb = static_cast<double>(peakResidentBytes() - before) / (1024.0 * 1024.0);
    return f;
}

// Tables t0.. of `rows` rows each, written by `jobs` sessions at once (one table at a time each, as a
// run's workers take them); returns seconds.
double writeTables(std::size_t tables, std::size_t rows, std::size_t jobs)
{
    {
        auto setup = connect();
        for (std::size_t t = 0; t < tables; ++t) {
            try {
                setup->execute("drop table t" + std::to_string(t));
            } catch (const db::Error &) {
            }
            setup->execute("create table t" + std::to_string(t) +
                           " (id number primary key, qty number, name varchar2(40))");
        }
    }
    std::atomic<std::size_t> nextTable{0};
    std::atomic<bool> failed{false};
    Stopwatch clock;
    std::vector<std::thread> workers;
    for (std::size_t j = 0; j < jobs; ++j)
        workers.emplace_back([&] {
            try {
                auto oracle = connect();
                for (std::size_t t = nextTable++; t < tables; t = nextTable++) {
                    auto target = oracle->createTargetTable("t" + std::to_string(t));
                    target->open("T" + std::to_string(t));
                    for (std::size_t r = 1; r <= rows; ++r) {
                        target->append();
                        target->setValue(std::size_t{0}, db::Value::integer(static_cast<std::int64_t>(r)));
                        target->setValue(std::size_t{1}, db::Value::integer(static_cast<std::int64_t>(r % 1000)));
                        target->setValue(std::size_t{2}, db::Value::text("customer " + std::to_string(r)));
                        target->post();
                        if (r % convert::kApplyInterval == 0)
                            target->apply();
                    }
                    target->apply();
                }
            } catch (const std::exception &e) {
                std::fprintf(stderr, "sim: a writer failed: %s\n", e.what());
                failed = true;
            }
        });
    for (auto &w : workers)
        w.join();
    if (failed)
        throw db::Error("a writer failed");
    return clock.seconds();
}

} // namespace

int runSimCommand(int argc, char **argv)
{
    std::size_t rows = 1000000, columns = 40, tables = 8, tableRows = 40000;
    for (int i = 0; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (i + 1 >= argc || (a != "--rows" && a != "--columns" && a != "--tables" && a != "--table-rows")) {
            std::fprintf(stderr, "morvane-bench sim: unknown or incomplete option %s\n%s", a.c_str(), kUsage);
            return 2;
        }
        const std::size_t v = std::strtoull(argv[++i], nullptr, 10);
        (a == "--rows" ? rows : a == "--columns" ? columns : a == "--tables" ? tables : tableRows) = v;
    }
    char pattern[] = "/tmp/morvane-sim-XXXXXX";
    if (!mkdtemp(pattern)) {
        std::fputs("morvane-bench sim: cannot create a folder for the stand-in\n", stderr);
        return 1;
    }
    const std::string home = pattern;
    setenv("ORACLE_SIM_HOME", home.c_str(), 1);
    unsetenv("ORACLE_SIM_DELAY_MS");
    const std::string admin = binaryDir() + "/oracle-sim/oracle-sim-admin create-user " + kService + " BENCH bench";
    int status = 1;
    try {
        if (std::system(admin.c_str()) != 0)
            throw db::Error("oracle-sim-admin could not create the benchmark's user");
        auto oracle = connect();
        std::fprintf(stderr, "sim: a table of %zu rows and %zu columns\n", rows, columns);
        Stopwatch load;
        createWide(*oracle, rows, columns);
        const double loadSeconds = load.seconds();

        const Figure count = measure([&] { oracle->query("select count(*) from wide"); });
        std::size_t seen = 0;
        const Figure read = measure([&] {
            auto all = oracle->createDataSet();
            std::string sql = "select id";
            for (std::size_t c = 1; c < columns; ++c)
                sql += ", c" + std::to_string(c);
            all->open(sql + " from wide", db::FetchMode::Streamed);
            for (; !all->eof(); all->next())
                ++seen;
            all->close();
        });
        const Figure largest = measure([&] {
            auto key = oracle->createDataSet();
            key->open("select id from wide order by id desc");
            key->close();
        });
        const Figure lookups = measure([&] {
            std::string where;
            std::vector<db::Value> binds;
            for (std::size_t k = 0; k < 100; ++k) {
                where += std::string(k ? " or " : "") + "(id = :" + std::to_string(k + 1) + ")";
                binds.push_back(db::Value::integer(static_cast<std::int64_t>(1 + k * (rows / 100))));
            }
            oracle->query("select id, c1, c2 from wide where " + where, binds);
        });
        oracle->execute("drop table wide");
        oracle.reset();

        std::fprintf(stderr, "sim: %zu tables of %zu rows, 1 and 4 sessions\n", tables, tableRows);
        const double plainOne = writeTables(tables, tableRows, 1), plainFour = writeTables(tables, tableRows, 4);
        setenv("ORACLE_SIM_DELAY_MS", "2", 1);
        const double delayOne = writeTables(tables, tableRows, 1), delayFour = writeTables(tables, tableRows, 4);
        unsetenv("ORACLE_SIM_DELAY_MS");

        std::printf("\n## The Oracle stand-in\n\n"
                    "A table of %zu rows and %zu columns (loaded in %.1f s), through the OCI driver. Peak: the rise of "
                    "the process's resident memory during the query.\n\n"
                    "| query | seconds | peak MB |\n|---|---|---|\n"
                    "| `select count(*)` | %.2f | %.1f |\n"
                    "| every column, streamed (%zu rows) | %.2f | %.1f |\n"
                    "| largest key (`order by id desc`, first row) | %.2f | %.1f |\n"
                    "| 100 keys looked up in one query | %.3f | %.1f |\n\n"
                    "%zu tables of %zu rows, one apply of %zu rows and its commit at a time, by 1 session and by 4 at "
                    "once:\n\n| round trip | 1 session s | 4 sessions s | 1 / 4 |\n|---|---|---|---|\n"
                    "| none | %.2f | %.2f | %.2f |\n| 2 ms | %.2f | %.2f | %.2f |\n",
                    rows, columns, loadSeconds, count.seconds, count.peakMb, seen, read.seconds, read.peakMb,
                    largest.seconds, largest.peakMb, lookups.seconds, lookups.peakMb, tables, tableRows,
                    static_cast<std::size_t>(convert::kApplyInterval), plainOne, plainFour, plainOne / plainFour,
                    delayOne, delayFour, delayOne / delayFour);
        status = 0;
    } catch (const std::exception &e) {
        std::fprintf(stderr, "morvane-bench sim: %s\n", e.what());
    }
    std::error_code ec;
    std::filesystem::remove_all(home, ec);
    return status;
}
