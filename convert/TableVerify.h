#pragma once

#include "RowDigest.h"
#include "TableNames.h"
#include "ValueCanon.h"

#include "db/TargetTable.h"
#include "db/Value.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace db {
class Connection;
}

namespace convert {

// One row as a target table holds it: each value brought to the canonical form of the target column it
// goes to, in the target's column order; columns no value goes to are NULL.
class TargetRowDigest {
public:
    explicit TargetRowDigest(const std::vector<db::ColumnInfo> &targetColumns);

    void beginRow();
    void set(std::size_t targetColumn, const db::Value &value);
    RowHasher::Hash finishRow();
    // "ID=42" or "A=1, B=x" for the given target columns of the current row.
    std::string keyText(const std::vector<std::size_t> &keyColumns) const;

private:
    const std::vector<db::ColumnInfo> &m_columns;
    std::vector<CanonKind> m_kinds;
    std::vector<std::string> m_canon;
    std::vector<char> m_set; // whether the column holds a value (not NULL) in this row
    RowHasher m_hasher;
};

// What a copy wrote, as a digest: each row is hashed as it is appended and counted once its apply says it
// went in; the keys of the rows refused are kept, so a later comparison does not name them again.
class WrittenRowsDigest {
public:
    WrittenRowsDigest(const std::vector<db::ColumnInfo> &targetColumns, std::vector<std::size_t> keyColumns);

    // The row being appended: beginRow(), set() its values, then rowAppended().
    TargetRowDigest &row() noexcept { return m_row; }
    void rowAppended();
    // Settles the pending rows of one apply; `rejected` holds their positions among them.
    void applied(const std::vector<db::RejectedRow> &rejected);

    const TableDigest &written() const noexcept { return m_written; }
    const std::set<std::string> &refusedKeys() const noexcept { return m_refusedKeys; }

private:
    TargetRowDigest m_row;
    std::vector<std::size_t> m_keyColumns;
    std::vector<RowHasher::Hash> m_pendingHashes;
    std::vector<std::string> m_pendingKeys;
    std::vector<char> m_refusedScratch;
    TableDigest m_written;
    std::set<std::string> m_refusedKeys;
};

struct VerifyResult {
    bool match = false;
    std::uint64_t sourceRows = 0; // rows the copy wrote (or MySQL holds, when verifying on its own)
    std::uint64_t targetRows = 0; // rows Oracle holds
    std::string difference;       // the first differing key and how it differs; empty on a match

    // The log line of a table's verification.
    std::string logLine(const std::string &target) const;
};

// What a verification compares against and how it names a differing row.
struct VerifySource {
    db::Connection &rowSource; // MySQL, open on the table's database
    const TableNames &names;
    std::string checkCharset;                 // as the copy read it
    std::vector<std::string> keyColumns;      // the MySQL primary key in key order; empty when none
    const std::set<std::string> *refusedKeys; // key texts of the rows the copy refused, or nullptr
    std::size_t nameBytes = 30;               // the longest Oracle name the copy gave a column
    // Asked every thousand rows read, on either side, with the rows read so far: false stops the
    // verification (VerificationStopped). Empty: it always goes on.
    std::function<bool(std::size_t rows)> goOn = {};
};

// A verification told to stop by its source's goOn.
struct VerificationStopped : std::exception {
    const char *what() const noexcept override { return "Operation aborted"; }
};

// Reads the Oracle table back and compares it with `expected`, the digest of the rows the copy wrote.
// When they differ, reads both sides once more to name the first key (in MySQL's order) whose row is
// missing, different or extra in Oracle.
VerifyResult VerifyAgainstDigest(db::Connection &oracle, const std::string &target,
                                 const std::vector<db::ColumnInfo> &columns, const TableDigest &expected,
                                 const VerifySource &source);

// The digest of an Oracle table's committed rows; goOn as VerifySource's.
TableDigest DigestTarget(db::Connection &oracle, const std::string &target, const std::vector<db::ColumnInfo> &columns,
                         const std::function<bool(std::size_t rows)> &goOn = {});

// Reads MySQL through the copy's own reader and digests its rows as they would arrive in these columns,
// leaving out those the copy refused (refusedKeys, and values outside the checked character set).
TableDigest DigestSource(const VerifySource &source, const std::vector<db::ColumnInfo> &columns);

// A verification on its own, after the fact: both sides read whole and compared.
VerifyResult VerifyTable(db::Connection &oracle, const std::string &target, const std::vector<db::ColumnInfo> &columns,
                         const VerifySource &source);

} // namespace convert
