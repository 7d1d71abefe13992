#pragma once

#include "NlsSettings.h"
#include "RowSource.h"
#include "SqlStatement.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace oraclesim {

// Where NEXTVAL and CURRVAL get their numbers; ORA-02289 for a sequence that does not exist.
class SequenceSource {
public:
    virtual ~SequenceSource() = default;
    virtual std::int64_t nextValue(const std::string &owner, const std::string &name) = 0;
    virtual std::int64_t currentValue(const std::string &owner, const std::string &name) = 0;
};

// Computes expressions and conditions over one row, with the statement's bound values.
class Evaluator {
public:
    Evaluator(const NlsSettings &nls, const std::string &user, const std::vector<SqlValue> &binds)
        : m_nls(nls), m_user(user), m_binds(binds)
    {
    }
    // For conditions that take no binds (CHECK constraints): the evaluator keeps a reference to its binds.
    static const std::vector<SqlValue> &noBinds()
    {
        static const std::vector<SqlValue> none;
        return none;
    }

    // A new row: NEXTVAL gives each row one number, however often the row names it.
    void setRow(const Row *row) noexcept
    {
        m_row = row;
        m_nextValues.clear();
    }
    // Without a source, a sequence in the expression is ORA-02287 (not allowed here).
    void setSequences(SequenceSource *sequences) noexcept { m_sequences = sequences; }

    SqlValue value(const Expr &e) const;
    // SQL's three-valued logic: nullopt is unknown, which a WHERE clause treats as false.
    std::optional<bool> truth(const Expr &e) const;

    // Points column references at the source's columns; ORA-00904 for names it lacks.
    static void resolve(Expr &e, const std::vector<SourceColumn> &columns, const std::string &table,
                        const std::string &alias);
    static bool refersToColumns(const Expr &e);
    static bool refersToColumn(const Expr &e, int column);
    static bool isAggregate(const Expr &e);
    static bool usesSequence(const Expr &e);

private:
    SqlValue call(const Expr &e) const;
    SqlValue sequenceValue(const Expr &e) const;

    const NlsSettings &m_nls;
    const std::string &m_user;
    const std::vector<SqlValue> &m_binds;
    const Row *m_row = nullptr;
    SequenceSource *m_sequences = nullptr;
    mutable std::map<std::pair<std::string, std::string>, std::int64_t> m_nextValues;
};

} // namespace oraclesim
