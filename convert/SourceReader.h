#pragma once

#include "SourceListing.h"
#include "SourceServer.h"
#include "TableNames.h"

#include "db/DataSet.h"
#include "db/Value.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace db {
class Connection;
class DataSet;
} // namespace db

namespace convert {

// Reads one MySQL table page by page in time linear in the table. A table with a primary key is read in
// key order, each page selected past the last key of the one before, so no page re-reads earlier rows
// and rows cannot be skipped or repeated when the server's order shifts. A table without one, or with a
// key on a type whose comparisons do not follow its sort order, is read in a single streamed query cut
// into pages as the rows arrive. Either way one row is held at a time.
//
// Every column the table lists is read by name, INVISIBLE ones included, and in a form that keeps its
// value: FLOAT through a double (MySQL prints a FLOAT with six digits), BIT as an unsigned number,
// spatial values as well-known binary. The session stays in utf8mb4, so names and key values never pass
// through a narrower character set.
class SourceReader {
public:
    // checkCharset: a MySQL character set that every text value must be representable in, or empty for
    // none; a value that is not is reported by problem(), never turned into '?'.
    SourceReader(db::Connection &source, const TableNames &names, std::string checkCharset, std::size_t pageSize);
    ~SourceReader();

    // The table's columns, in the order read() takes them.
    const std::vector<SourceColumn> &columns() const noexcept { return m_columns; }

    // Starts the reading after this key (values of the primary-key columns in key order) instead of at the
    // first row; only before the first page of a keyed read.
    void startAfter(std::vector<db::Value> key);
    // Ends the reading with this key: rows whose key sorts after it are not read. Only before the first
    // page of a keyed read.
    void endWith(std::vector<db::Value> key);
    // The number of MySQL rows whose key sorts at or before this one; a keyed read only.
    long long countUpTo(const std::vector<db::Value> &key) const;

    // Opens the next page; false when the table has no more. The first call always opens one.
    bool nextPage();
    // Whether the current page may give another row.
    bool pageHasRow() const;
    // Moves to the next row of the page, remembering where a next page must start.
    void next();

    // Column `column` of the current row as it is to arrive, into storage the caller keeps.
    void read(std::size_t column, db::Value &into) const;
    // Whether the column arrives as the server sent it, so that field() gives it without a copy.
    bool passesAsIs(std::size_t column) const noexcept { return !m_singleFloat[column]; }
    // Such a column of the current row where the client library holds it, until the next row.
    db::DataSet::FieldView field(std::size_t column) const { return m_page->field(static_cast<int>(column)); }
    // Why the current row's value of that column cannot be moved as it is, or empty.
    std::string problem(std::size_t column) const;

    bool keyed() const noexcept { return !m_key.empty(); }
    // The table's primary-key columns in key order, whether or not they mark the pages; empty when none.
    const std::vector<std::string> &primaryKey() const noexcept { return m_primaryKey; }

private:
    void findPrimaryKey();
    std::string selectList() const;
    // The next page's statement, with a marker for each value of the last key, given in keyValues.
    std::string pageQuery(std::vector<db::Value> &keyValues) const;
    // "(k1 > ?) or (k1 = ? and k2 > ?) ...", the key's values appended to values in marker order.
    std::string keyCondition(const std::vector<db::Value> &key, std::vector<db::Value> &values) const;
    void openPage();

    db::Connection &m_source;
    const TableNames &m_names;
    std::string m_checkCharset;
    std::size_t m_pageSize;
    std::unique_ptr<db::DataSet> m_page;
    std::vector<SourceColumn> m_columns;
    std::vector<char> m_singleFloat;  // per column: a FLOAT, read as a double and given back in single precision
    std::vector<int> m_checkField;    // per column: result position of its character-set check, or -1
    std::vector<std::string> m_primaryKey;
    std::vector<std::string> m_key;   // primary-key columns in key order; empty for a streamed read
    std::vector<int> m_keyFields;     // their positions in the page's result
    std::vector<db::Value> m_lastKey; // key of the last row taken
    std::vector<db::Value> m_endKey;  // key of the last row to read; empty for the table's end
    std::size_t m_taken = 0;          // rows taken from the current page
    bool m_started = false;
    bool m_done = false;
};

// The select list that reads every column in a form that keeps its value (without character-set checks),
// as the server can read it.
std::string SourceSelectList(const std::vector<SourceColumn> &columns, const SourceServer &server);

// The shortest decimal text that reads back as the same single-precision value as the double text
// given (the double being a FLOAT widened exactly); text that is no number comes back unchanged.
std::string singlePrecisionText(const std::string &doubleText);

} // namespace convert
