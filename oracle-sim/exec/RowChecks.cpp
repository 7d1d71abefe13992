#include "RowChecks.h"

#include "Evaluator.h"
#include "OraError.h"
#include "Session.h"

namespace oraclesim {

void RowChecks::check(Session &session, const TableMeta &table, const Row &row, bool update)
{
    for (std::size_t c = 0; c < table.columns.size(); ++c)
        if (!table.columns[c].nullable && row[c].isNull())
            throw OraError::of(update ? 1407 : 1400, table.columnLabel(static_cast<int>(c)));
    const TableRules &rules = session.rules(table);
    if (rules.checks.empty())
        return;
    Evaluator eval(session.nls(), session.user(), Evaluator::noBinds());
    eval.setRow(&row);
    for (const auto &[index, condition] : rules.checks)
        if (eval.truth(condition) == false)
            throw OraError::of(2290, table.owner, table.constraints[index].name);
}

} // namespace oraclesim
