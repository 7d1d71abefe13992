#pragma once

#include "NlsSettings.h"
#include "RowSource.h"
#include "SqlStatement.h"

#include <optional>
#include <string>
#include <vector>

namespace oraclesim {

// Computes expressions and conditions over one row, with the statement's bound values.
class Evaluator {
public:
    Evaluator(const NlsSettings &nls, const std::string &user, const std::vector<SqlValue> &binds)
        : m_nls(nls), m_user(user), m_binds(binds)
    {
    }
    void setRow(const Row *row) noexcept { m_row = row; }

    SqlValue value(const Expr &e) const;
    // SQL's three-valued logic: nullopt is unknown, which a WHERE clause treats as false.
    std::optional<bool> truth(const Expr &e) const;

    // Points column references at the source's columns; ORA-00904 for names it lacks.
    static void resolve(Expr &e, const std::vector<SourceColumn> &columns, const std::string &table,
                        const std::string &alias);
    static bool refersToColumns(const Expr &e);
    static bool isAggregate(const Expr &e);

private:
    SqlValue call(const Expr &e) const;

    const NlsSettings &m_nls;
    const std::string &m_user;
    const std::vector<SqlValue> &m_binds;
    const Row *m_row = nullptr;
};

} // namespace oraclesim
