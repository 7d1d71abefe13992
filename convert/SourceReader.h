#pragma once

#include "TableNames.h"

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
class SourceReader {
public:
    // charset: the connection's character set, which the key values arrive in.
    SourceReader(db::Connection &source, const TableNames &names, std::string charset, std::size_t pageSize);
    ~SourceReader();

    // Opens the next page; false when the table has no more. The first call always opens one.
    bool nextPage();
    db::DataSet &page() { return *m_page; }
    // Whether the current page may give another row.
    bool pageHasRow() const;
    // Moves to the next row of the page, remembering where a next page must start.
    void next();

    bool keyed() const noexcept { return !m_key.empty(); }

private:
    void findPrimaryKey();
    std::string pageQuery() const;

    db::Connection &m_source;
    const TableNames &m_names;
    std::string m_charset;
    std::size_t m_pageSize;
    std::unique_ptr<db::DataSet> m_page;
    std::vector<std::string> m_key;      // primary-key columns in key order; empty for a streamed read
    std::vector<int> m_keyFields;        // their positions in the page's result
    std::vector<db::Value> m_lastKey;    // key of the last row taken
    std::size_t m_taken = 0;             // rows taken from the current page
    bool m_started = false;
    bool m_done = false;
};

// The SQL literal for a key value that reads back as the same value: numbers as their digits, text as
// hexadecimal in the connection's character set, so no value can change the statement.
std::string mysqlKeyLiteral(const db::Value &value, const std::string &charset);

} // namespace convert
