// Sessions of one service side by side, each on its own thread, and calls broken off from another thread
// (OCIBreak, then OCIReset, as the OCI guide has it): the broken call ends at once with ORA-01013, having
// done nothing more, and the session goes on. Driven through raw OCI calls, as any client would make them.

#include "support/Env.h"
#include "support/OracleSim.h"
#include "support/RawOci.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace {

using testsupport::RawConn;
using testsupport::ScopedEnv;
using Clock = std::chrono::steady_clock;

const testsupport::RawOciApi &api() { return testsupport::rawOci(); }

using BreakFn = sword (*)(void *hndlp, OCIError *errhp);

// OCIBreak and OCIReset of the library the tests load.
BreakFn entry(const char *name)
{
    api();
    void *lib = dlopen((std::string(MORVANE_BINARY_DIR) + "/oracle-sim/libclntsh.so").c_str(), RTLD_NOW | RTLD_NOLOAD);
    return lib ? reinterpret_cast<BreakFn>(dlsym(lib, name)) : nullptr;
}

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// Runs `call` on a thread of its own, breaks the session after `after` (and again every 20 ms until the
// call returns, for a loaded machine on which the call had not begun by then), and gives the call's
// result and how long it took after the first break.
template <class Call> std::pair<std::string, double> broken(RawConn &conn, Call call, std::chrono::milliseconds after)
{
    std::string result;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        result = call();
        done = true;
    });
    std::this_thread::sleep_for(after);
    const auto sent = Clock::now();
    do {
        EXPECT_EQ(entry("OCIBreak")(conn.svc(), conn.err()), oci::SUCCESS);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    } while (!done);
    worker.join();
    EXPECT_EQ(entry("OCIReset")(conn.svc(), conn.err()), oci::SUCCESS);
    return {result, secondsSince(sent)};
}

// A table of n rows (id, name), put in by one array insert.
void fill(RawConn &db, const std::string &table, int n)
{
    ASSERT_EQ(db.exec("create table " + table + " (id number primary key, name varchar2(40))"), "");
    std::vector<char> ids(static_cast<std::size_t>(n) * 12), names(static_cast<std::size_t>(n) * 40);
    std::vector<ub2> idLengths(static_cast<std::size_t>(n)), nameLengths(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const std::string id = std::to_string(i + 1), name = "name " + std::to_string(i * 7919 % 100003);
        std::copy(id.begin(), id.end(), ids.begin() + i * 12);
        std::copy(name.begin(), name.end(), names.begin() + i * 40);
        idLengths[static_cast<std::size_t>(i)] = static_cast<ub2>(id.size());
        nameLengths[static_cast<std::size_t>(i)] = static_cast<ub2>(name.size());
    }
    OCIStmt *st = db.prepare("insert into " + table + " (id, name) values (:1, :2)");
    api().bindByPos(st, nullptr, db.err(), 1, ids.data(), 12, oci::SQLT_CHR, nullptr, idLengths.data(), nullptr, 0,
                    nullptr, oci::DEFAULT);
    api().bindByPos(st, nullptr, db.err(), 2, names.data(), 40, oci::SQLT_CHR, nullptr, nameLengths.data(), nullptr, 0,
                    nullptr, oci::DEFAULT);
    ASSERT_EQ(
        api().stmtExecute(db.svc(), st, db.err(), static_cast<ub4>(n), 0, nullptr, nullptr, oci::COMMIT_ON_SUCCESS),
        oci::SUCCESS)
        << db.error();
    db.release(st);
}

TEST(OracleSimSessions, SessionsOnThreadsOfTheirOwnWriteTheirOwnTablesAtOnce)
{
    testsupport::OracleSim sim;
    const int sessions = 4, rows = 60;
    {
        RawConn setup{"scott", "tiger", sim.service()};
        for (int s = 0; s < sessions; ++s)
            ASSERT_EQ(setup.exec("create table w" + std::to_string(s) + " (id number primary key, v varchar2(10))"),
                      "");
    }
    ScopedEnv delay("ORACLE_SIM_DELAY_MS", "1");
    std::vector<std::string> failures(sessions);
    std::vector<std::thread> threads;
    for (int s = 0; s < sessions; ++s)
        threads.emplace_back([&, s] {
            RawConn db{"scott", "tiger", sim.service()};
            for (int i = 1; i <= rows && failures[static_cast<std::size_t>(s)].empty(); ++i) {
                const std::string table = "w" + std::to_string(s);
                failures[static_cast<std::size_t>(s)] =
                    db.exec("insert into " + table + " values (" + std::to_string(i) + ", 'r')");
                // A commit every few rows, and reads of every table in between, as copies and checks do.
                if (failures[static_cast<std::size_t>(s)].empty() && i % 5 == 0)
                    failures[static_cast<std::size_t>(s)] = db.exec("commit");
                if (i % 20 == 0)
                    db.single("select count(*) from w" + std::to_string((s + 1) % sessions));
            }
        });
    for (auto &t : threads)
        t.join();
    RawConn check{"scott", "tiger", sim.service()};
    for (int s = 0; s < sessions; ++s) {
        EXPECT_EQ(failures[static_cast<std::size_t>(s)], "") << "session " << s;
        EXPECT_EQ(check.single("select count(*) from w" + std::to_string(s)), std::to_string(rows));
    }
}

TEST(OracleSimSessions, AWriterWaitsForTheLockUntilItIsFreeOrItsTimeIsUp)
{
    testsupport::OracleSim sim;
    ScopedEnv timeout("ORACLE_SIM_LOCK_TIMEOUT_MS", "300");
    RawConn a{"scott", "tiger", sim.service()}, b{"scott", "tiger", sim.service()};
    ASSERT_EQ(a.exec("create table l (id number)"), "");
    ASSERT_EQ(a.exec("insert into l values (1)"), "");
    // Held past the limit: ORA-00054, and the waiter's session goes on. (The waiter has a thread of its
    // own: a session waiting for another of its own thread would wait for nothing, and fails at once.)
    std::string result;
    std::thread([&] { result = b.exec("insert into l values (2)"); }).join();
    EXPECT_EQ(result, "ORA-00054: resource busy and acquire with NOWAIT specified or timeout expired");
    // Freed meanwhile: the waiter goes ahead.
    std::thread waiter([&] { result = b.exec("insert into l values (3)"); });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(a.exec("commit"), "");
    waiter.join();
    EXPECT_EQ(result, "");
    ASSERT_EQ(b.exec("commit"), "");
    EXPECT_EQ(a.single("select count(*) from l"), "2");
}

TEST(OracleSimSessions, BreakEndsALongDdlAndTheSessionGoesOn)
{
    testsupport::OracleSim sim;
    ScopedEnv ddl("ORACLE_SIM_DDL_DELAY_MS", "10000");
    RawConn db{"scott", "tiger", sim.service()};
    const auto start = Clock::now();
    auto [result, afterBreak] = broken(
        db, [&] { return db.exec("create table slow (id number)"); }, std::chrono::milliseconds(200));
    EXPECT_EQ(result, "ORA-01013: user requested cancel of current operation");
    EXPECT_LT(afterBreak, 2.0);
    EXPECT_LT(secondsSince(start), 5.0);
    // The DDL was not done; the session answers at once.
    EXPECT_EQ(db.single("select count(*) from user_tables where table_name = 'SLOW'"), "0");
    EXPECT_EQ(db.single("select 1 from dual"), "1");
}

TEST(OracleSimSessions, BreakEndsALongQueryAndAWaitForALock)
{
    testsupport::OracleSim sim;
    RawConn db{"scott", "tiger", sim.service()};
    fill(db, "big", 100000);
    // A condition only the row-by-row evaluation answers, over every row, on text long enough that the
    // query takes about a second here: well past the break.
    auto [result, afterBreak] = broken(
        db,
        [&] {
            return db.single("select count(*) from big where regexp_like(name || name || name || name || name || "
                             "name || name || name, '^(n|a|m|e| |[0-9])*x$')");
        },
        std::chrono::milliseconds(150));
    EXPECT_EQ(result, "error: ORA-01013: user requested cancel of current operation");
    EXPECT_LT(afterBreak, 2.0);
    EXPECT_EQ(db.single("select count(*) from big where id > 99990"), "10");

    ScopedEnv timeout("ORACLE_SIM_LOCK_TIMEOUT_MS", "20000");
    RawConn other{"scott", "tiger", sim.service()};
    ASSERT_EQ(other.exec("insert into big values (0, 'held')"), "");
    std::tie(result, afterBreak) = broken(
        db, [&] { return db.exec("delete from big where id = 1"); }, std::chrono::milliseconds(150));
    EXPECT_EQ(result, "ORA-01013: user requested cancel of current operation");
    EXPECT_LT(afterBreak, 2.0);
    ASSERT_EQ(other.exec("commit"), "");
    EXPECT_EQ(db.exec("delete from big where id = 1"), "");
    EXPECT_EQ(db.exec("commit"), "");
    EXPECT_EQ(db.single("select count(*) from big"), "100000");
}

TEST(OracleSimSessions, ABrokenFetchEndsItsCursorOnly)
{
    testsupport::OracleSim sim;
    RawConn setup{"scott", "tiger", sim.service()};
    fill(setup, "f", 10);
    ScopedEnv delay("ORACLE_SIM_DELAY_MS", "300");
    RawConn db{"scott", "tiger", sim.service()};
    OCIStmt *st = db.prepare("select id from f order by id");
    ASSERT_EQ(api().stmtExecute(db.svc(), st, db.err(), 0, 0, nullptr, nullptr, oci::DEFAULT), oci::SUCCESS);
    char buf[16];
    sb2 ind = 0;
    api().defineByPos(st, nullptr, db.err(), 1, buf, sizeof buf, oci::SQLT_STR, &ind, nullptr, nullptr, oci::DEFAULT);
    ASSERT_EQ(api().stmtFetch2(st, db.err(), 1, oci::FETCH_NEXT, 0, oci::DEFAULT), oci::SUCCESS);
    EXPECT_STREQ(buf, "1");
    // The second row is the server's to send: the fetch waits for it, and is broken off.
    auto [result, afterBreak] = broken(
        db,
        [&] {
            return api().stmtFetch2(st, db.err(), 1, oci::FETCH_NEXT, 0, oci::DEFAULT) == oci::SUCCESS ? std::string()
                                                                                                       : db.error();
        },
        std::chrono::milliseconds(50));
    EXPECT_EQ(result, "ORA-01013: user requested cancel of current operation");
    EXPECT_LT(afterBreak, 0.25);
    EXPECT_EQ(api().stmtFetch2(st, db.err(), 1, oci::FETCH_NEXT, 0, oci::DEFAULT), oci::ERROR);
    EXPECT_EQ(db.error(), "ORA-01002: fetch out of sequence");
    db.release(st);
    EXPECT_EQ(db.single("select count(*) from f"), "10");
}

TEST(OracleSimSessions, ABreakWithNoCallUnderWayChangesNothing)
{
    testsupport::OracleSim sim;
    RawConn db{"scott", "tiger", sim.service()};
    EXPECT_EQ(entry("OCIBreak")(db.svc(), db.err()), oci::SUCCESS);
    EXPECT_EQ(entry("OCIReset")(db.svc(), db.err()), oci::SUCCESS);
    EXPECT_EQ(db.single("select 1 from dual"), "1");
    // The server handle of the service context takes a break as well; a freed or foreign one does not.
    void *server = nullptr;
    ASSERT_EQ(api().attrGet(db.svc(), oci::HTYPE_SVCCTX, &server, nullptr, oci::ATTR_SERVER, db.err()), oci::SUCCESS);
    EXPECT_EQ(entry("OCIBreak")(server, db.err()), oci::SUCCESS);
    int notAHandle = 0;
    EXPECT_EQ(entry("OCIBreak")(&notAHandle, db.err()), oci::INVALID_HANDLE);
    EXPECT_EQ(entry("OCIReset")(nullptr, db.err()), oci::INVALID_HANDLE);
    // A break between the rows of a transaction leaves the rows before it.
    ScopedEnv delay("ORACLE_SIM_DML_DELAY_MS", "5000");
    RawConn slow{"scott", "tiger", sim.service()};
    ASSERT_EQ(slow.exec("create table t (id number)"), "");
    {
        ScopedEnv none("ORACLE_SIM_DML_DELAY_MS", "0");
        RawConn quick{"scott", "tiger", sim.service()};
        ASSERT_EQ(quick.exec("insert into t values (1)"), "");
        auto [result, afterBreak] = broken(
            quick, [&] { return quick.exec("insert into t values (2)"); }, std::chrono::milliseconds(0));
        (void)afterBreak;
        // Either the insert was done before the break came, or it was broken: never half of it.
        EXPECT_TRUE(result.empty() || result == "ORA-01013: user requested cancel of current operation") << result;
        ASSERT_EQ(quick.exec("commit"), "");
        EXPECT_EQ(quick.single("select count(*) from t where id = 1"), "1");
    }
    auto [result, afterBreak] = broken(
        slow, [&] { return slow.exec("insert into t values (3)"); }, std::chrono::milliseconds(100));
    EXPECT_EQ(result, "ORA-01013: user requested cancel of current operation");
    EXPECT_LT(afterBreak, 2.0);
    EXPECT_EQ(slow.single("select count(*) from t where id = 3"), "0");
}

} // namespace
