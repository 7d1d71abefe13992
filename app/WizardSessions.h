#pragma once

#include "db/Connection.h"

#include <memory>

// The wizard's sessions with both servers. Whoever does the work holds them: the window between two
// pieces of work, a worker thread while one runs (it hands them back with its outcome), so no session
// is ever used by two threads, nor destroyed while a call on it is under way.
struct WizardSessions {
    std::unique_ptr<db::Connection> catalog;      // MySQL: databases, tables, column and index listings
    std::unique_ptr<db::Connection> rows;         // MySQL: the rows, reopened for every table
    std::unique_ptr<db::Connection> oracleConn;   // Oracle: existence queries
    std::unique_ptr<db::Connection> oracleData;   // Oracle: drop, create, keys and indexes
    std::unique_ptr<db::Connection> oracleInsert; // Oracle: row inserts

    // Closed sessions of both kinds, as at start.
    static WizardSessions closed();
};
