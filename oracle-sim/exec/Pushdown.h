#pragma once

#include "Evaluator.h"
#include "SqlStatement.h"
#include "TableMeta.h"

#include <optional>
#include <string>
#include <vector>

namespace oraclesim {

// What of a WHERE clause and an ORDER BY SQLite can decide over the stored values exactly as Oracle
// would, written as SQL over the storage columns. A comparison goes to SQLite only between a column and a
// value known before the first row (a literal, a bind, an expression of them), once that value is
// converted to the column's type as Oracle converts it; numbers and dates compare through the
// collations of StoredOrder, text and RAW by their bytes. Everything else (functions of columns, LIKE,
// LOBs, a value Oracle would convert the column for, or one that fails to convert) stays for the rows
// SQLite returns, evaluated as before: the same answer and the same errors.
class Pushdown {
public:
    Pushdown(const TableMeta &table, const Evaluator &constants, const NlsSettings &nls)
        : m_table(table), m_constants(constants), m_nls(nls)
    {
    }

    struct Split {
        std::string sql;              // empty: SQLite keeps every row
        std::vector<SqlValue> params; // for the ? in sql, in order
        std::optional<Expr> rest;     // what the rows SQLite returns must still meet
    };
    // Splits a condition at its top-level ANDs into what SQLite decides and what is left.
    Split where(const Expr &condition) const;
    // The ORDER BY as SQLite would sort it (NULLs last ascending, first descending), or nothing when a key
    // is not a column SQLite sorts as Oracle does.
    static std::optional<std::string> order(const TableMeta &table, const std::vector<OrderItem> &order);

private:
    std::optional<std::string> condition(const Expr &e, std::vector<SqlValue> &params) const;
    std::optional<std::string> comparison(const Expr &column, std::string op, const Expr &value,
                                          std::vector<SqlValue> &params) const;
    // The value a constant expression compares as against the column, or nothing when it cannot be known
    // alike; a NULL value is returned as a NULL SqlValue.
    std::optional<SqlValue> asColumnValue(int column, const Expr &value) const;

    const TableMeta &m_table;
    const Evaluator &m_constants;
    const NlsSettings &m_nls;
};

} // namespace oraclesim
