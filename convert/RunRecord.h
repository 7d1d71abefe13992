#pragma once

#include "StepResult.h"
#include "TableNames.h"
#include "TableVerify.h"

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace convert {

struct CopyResult;
struct KeyFailure;
struct KeyResult;

// One step of one table as a report shows it.
struct StepRecord {
    std::string step;    // "read" (the MySQL table), "drop", "create", "keys", "skip", "rows", "schema", "verify",
                         // "foreignKeys" (of the run, or of a table whose keys Oracle refused)
    std::string status;  // "succeeded", "failed", "skipped", "stopped"
    std::string message; // the server's text of a failure (the refused keys, one per line); else empty
    std::vector<std::string> statements; // the statements the server refused, as sent
};

struct RefusedRowRecord {
    std::size_t row = 0; // position in the table, from 1
    std::string key;     // by the MySQL primary key; empty for a table without one
    std::string message;
};

// What the run did to one selected table.
struct TableRecord {
    TableNames names; // the target is empty until the run has settled the Oracle names
    // "converted", "failed", "stopped", "ended by error", or "not reached" for a table the run never began.
    std::string status = "not reached";
    std::string error; // for "ended by error": what ended the run
    std::vector<StepRecord> steps;
    std::size_t rowsRead = 0, rowsWritten = 0, rowsRefused = 0;
    std::size_t rowsAlreadyThere = 0;          // rows of a kept table whose key Oracle held
    std::vector<RefusedRowRecord> refusedRows; // the first ones, as the copy keeps them
    std::optional<VerifyResult> verification;
    double seconds = 0;
};

// What a run records of one table while it works on it: each method adds to the table's record and
// keeps its time. One per table under way; tables under way at once have recorders of their own.
class TableRecorder {
public:
    using Clock = std::chrono::steady_clock;

    explicit TableRecorder(TableRecord &record) : m_record(record), m_started(Clock::now()) {}

    void step(const std::string &name, const StepResult &result);
    void keys(const KeyResult &result);
    // The rest of the table's schema after its rows: what Oracle refused of it.
    void schema(const std::vector<KeyFailure> &failures);
    void skipped();
    void rows(const CopyResult &result);
    void finish(const std::string &status);
    // An error ended the run while the table was under way.
    void endedByError(const std::string &message);

private:
    void touch();

    TableRecord &m_record;
    Clock::time_point m_started;
};

// The record of a run, table by table, written as the run goes: whoever drives the run reads it after
// run() returned or threw, for the report. The tables are known before any starts, so the recorders of
// tables under way at once never touch the same record.
class RunRecord {
public:
    void selected(const std::vector<std::string> &tables);
    void named(const std::vector<TableNames> &names);
    TableRecorder table(std::size_t index) { return TableRecorder(m_tables.at(index)); }
    // The foreign keys between the run's tables, after all of them: a step of the run, not of a table.
    void foreignKeys(const std::vector<KeyFailure> &failures);
    // A table finished earlier that a later step of the run failed for (its foreign keys).
    void failTable(std::size_t index, const std::string &step, const std::vector<KeyFailure> &failures);

    const std::vector<TableRecord> &tables() const noexcept { return m_tables; }
    const std::vector<StepRecord> &runSteps() const noexcept { return m_runSteps; }

private:
    std::vector<TableRecord> m_tables;
    std::vector<StepRecord> m_runSteps;
};

} // namespace convert
