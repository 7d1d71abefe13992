#pragma once

#include "Value.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace db {

// What the target server says about one column of the table rows are written to.
struct ColumnInfo {
    std::string name;
    int type = 0; // the server's describe type code (Oracle: 1 VARCHAR2, 2 NUMBER, 12 DATE, 23 RAW, 112 CLOB,
                  // 113 BLOB, 187 TIMESTAMP)
    int size = 0; // bytes
    int precision = 0;
    int scale = 0; // NUMBER: digits after the point; TIMESTAMP: digits of the fractions of a second
    bool nullable = true;
    bool isLob() const noexcept { return type == 112 || type == 113; }
    bool isClob() const noexcept { return type == 112; }
    bool isBlob() const noexcept { return type == 113; }
};

// A row the server (or the conversion of one of its values) refused; the other rows went in.
struct RejectedRow {
    std::size_t index = 0; // position among the rows of that apply, from 0, in the order appended
    std::string message;   // the server's own text, e.g. "ORA-12899: value too large for column ..."
};

// How an apply sends its rows: one array execute for the whole apply (rows with large objects too big
// to bind go one statement each), or one INSERT per row, kept to compare against.
enum class ApplyMode { Array, RowByRow };

struct ApplyResult {
    std::size_t written = 0;
    std::vector<RejectedRow> rejected;
};

// The append-and-apply target: opened on a table to learn its columns, it collects appended rows in
// memory and writes them with apply(), one transaction per apply. Rejected rows are reported and
// dropped; every other row is written.
// Threads: its connection's (see Connection); Connection::cancel() breaks an apply, which then fails
// with db::CancelledError and keeps nothing.
class TargetTable {
public:
    virtual ~TargetTable() = default;

    // Learns the columns from the server ("select * from "T" where 1=0"). Throws the server's error.
    virtual void open(const std::string &table) = 0;
    // Discards pending rows unwritten.
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual const std::vector<ColumnInfo> &columns() const = 0;

    virtual void append() = 0;
    // Sets a value of the appended row; the column is found without regard to ASCII case. Throws
    // db::Error "<name>: Field '<column>' not found" when the table has no such column.
    virtual void setValue(std::string_view column, const Value &value) = 0;
    // The same by position in columns(), for callers that look the column up once per page.
    virtual void setValue(std::size_t column, const Value &value) { setValue(columns().at(column).name, value); }
    // The same from bytes the caller holds until the call returns (a field of the source's current
    // row): a target that can use them where they lie copies no large object.
    virtual void setValue(std::size_t column, ValueKind kind, std::string_view data)
    {
        setValue(column, kind == ValueKind::Null ? Value::null() : Value::of(kind, std::string(data)));
    }
    // Position of a column in columns(), found without regard to ASCII case; throws like setValue.
    std::size_t columnIndex(std::string_view column) const;
    // Refuses the appended row for its value in this column, with the reason: the next apply reports the
    // row as rejected ("Column "NAME": reason") and never sends it.
    virtual void refuseValue(std::size_t column, std::string_view reason) = 0;
    virtual void post() = 0;
    virtual std::size_t pendingCount() const = 0;
    // Leaves a pending row out of the next apply (by its position among the pending rows, from 0): it is
    // neither written nor reported as rejected. For a row the table turns out to hold already.
    virtual void discardPending(std::size_t index) = 0;

    // Writes the pending rows in one transaction and commits it. Throws only when the apply as a whole
    // failed (connection lost, statement refused); then nothing of it is committed.
    virtual ApplyResult apply() = 0;

    virtual void setApplyMode(ApplyMode mode) = 0;

    // The INSERT text as it is prepared for the open table (for logs and tests).
    virtual std::string insertStatement() const = 0;

    // The name used in "Field not found" messages (the target data set's name).
    void setName(std::string name) { m_name = std::move(name); }
    const std::string &name() const noexcept { return m_name; }

private:
    std::string m_name = "oracleinsertdata";
};

} // namespace db
