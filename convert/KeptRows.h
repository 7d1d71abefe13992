#pragma once

#include "db/TargetTable.h"
#include "db/Value.h"

#include <cstddef>
#include <string>
#include <vector>

namespace db {
class Connection;
}

namespace convert {

// The rows a kept Oracle table already holds, as a copy that adds MySQL's rows to it must know them: a
// MySQL row whose primary key Oracle holds stays as Oracle holds it and is counted as already there,
// neither sent again nor refused. Asked once per apply, for the keys of the rows about to be sent, so
// nothing depends on where Oracle's keys lie or on the order either server sorts them in.
class KeptRows {
public:
    // keyColumns: target positions of the primary-key columns, in key order.
    KeptRows(db::Connection &oracle, std::string target, const std::vector<db::ColumnInfo> &columns,
             std::vector<std::size_t> keyColumns);

    // Which of the first `count` keys (each the key columns' values in key order, as read from MySQL)
    // Oracle holds; one query for all of them. A key holding a NULL or empty text is never held.
    std::vector<char> held(const std::vector<std::vector<db::Value>> &keys, std::size_t count);

private:
    std::string canonicalKey(const std::vector<db::Value> &key) const;
    std::string bindFor(std::size_t keyColumn, const db::Value &value) const;
    std::string markerFor(std::size_t keyColumn, std::size_t position) const;

    db::Connection &m_oracle;
    std::string m_target;
    const std::vector<db::ColumnInfo> &m_columns;
    std::vector<std::size_t> m_key;
};

} // namespace convert
