#pragma once

#include "OciHandle.h"
#include "OciStatement.h"
#include "db/DataSet.h"

#include <memory>
#include <vector>

namespace db {

class OciSession;

// A query on an Oracle session, fetched an array of rows at a time into column-wise buffers. Values
// come typed: VARCHAR2/CHAR as Text, NUMBER as Decimal text, DATE as DateTime "YYYY-MM-DD HH:MM:SS",
// TIMESTAMP as DateTime with its fractions, RAW as Binary, CLOB as Text and BLOB as Binary (both read
// whole), NULL as Null.
// Threads: its session's; OciSession::breakCall() ends its fetch under way.
class OciDataSet : public DataSet {
public:
    // rowsetSize: rows asked of the server per fetch at least (the profile's RowsetSize).
    // trimChar: CHAR values lose their trailing blanks (the profile's Trim Char).
    OciDataSet(std::shared_ptr<OciSession> session, unsigned rowsetSize, bool trimChar);
    ~OciDataSet() override;

    void open(const std::string &sql, FetchMode mode = FetchMode::Buffered) override;
    // The same with bound values for "?" (or ":n") markers; a statement that is not a query runs once
    // and leaves the data set at its end. The values are bound, so no statement text holds them.
    void open(const std::string &sql, const std::vector<Value> &binds, FetchMode mode = FetchMode::Buffered) override;
    void close() override;
    bool isOpen() const override { return m_statement != nullptr; }
    bool eof() const override { return m_eof; }
    void next() override;

    int fieldCount() const override { return static_cast<int>(m_columns.size()); }
    const std::string &fieldName(int index) const override;
    Value value(int index) const override;
    FieldView field(int index) const override;

    void execute(const std::string &sql) override;

private:
    struct Column {
        OciColumn info;
        ub2 defineType = 0;
        ValueKind kind = ValueKind::Text;
        std::size_t capacity = 0; // bytes per element
        std::vector<char> data;
        std::vector<sb2> indicators;
        std::vector<ub2> lengths;
        std::vector<ub2> codes;
        std::vector<OciDescriptor> locators;
        std::vector<void *> locatorPointers;
    };

    void bind(const std::vector<Value> &binds);
    void defineColumns();
    void fetch();
    void loadRow();
    Value cell(const Column &column, std::size_t row) const;

    std::shared_ptr<OciSession> m_session;
    unsigned m_rowsetSize;
    bool m_trimChar;
    std::unique_ptr<OciStatement> m_statement;
    std::vector<Column> m_columns;
    std::vector<std::string> m_bindValues;
    std::vector<sb2> m_bindIndicators;
    std::vector<ub2> m_bindLengths;
    ub4 m_arraySize = 1;
    ub4 m_rowsInBuffer = 0;
    ub4 m_rowInBuffer = 0;
    bool m_lastFetch = false;
    bool m_eof = true;
    std::vector<Value> m_row;
};

} // namespace db
