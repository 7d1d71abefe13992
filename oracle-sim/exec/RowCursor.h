#pragma once

#include "RowSource.h"

#include <cstddef>
#include <utility>
#include <vector>

namespace oraclesim {

// The rows of a query, one at a time, as fetches ask for them. next() throws OraError for a row it
// cannot make (a conversion in the select list, a break).
class RowCursor {
public:
    virtual ~RowCursor() = default;
    // False once there are no more rows.
    virtual bool next(Row &row) = 0;
};

// Rows made in full before the first fetch: an aggregate, a sort done in memory, a dictionary view.
class MaterializedCursor : public RowCursor {
public:
    explicit MaterializedCursor(std::vector<Row> rows) : m_rows(std::move(rows)) {}
    bool next(Row &row) override
    {
        if (m_next >= m_rows.size())
            return false;
        row = std::move(m_rows[m_next++]);
        return true;
    }

private:
    std::vector<Row> m_rows;
    std::size_t m_next = 0;
};

} // namespace oraclesim
