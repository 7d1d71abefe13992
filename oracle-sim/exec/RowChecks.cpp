#include "RowChecks.h"

#include "Evaluator.h"
#include "OraError.h"

namespace oraclesim {

void RowChecks::check(const TableMeta &table, const Row &row, const NlsSettings &nls, const std::string &user,
                      bool update)
{
    for (std::size_t c = 0; c < table.columns.size(); ++c)
        if (!table.columns[c].nullable && row[c].isNull())
            throw OraError::of(update ? 1407 : 1400, table.columnLabel(static_cast<int>(c)));
    if (table.constraints.empty())
        return;
    Evaluator eval(nls, user, Evaluator::noBinds());
    eval.setRow(&row);
    for (const auto &c : table.constraints)
        if (c.check && eval.truth(*c.check) == false)
            throw OraError::of(2290, table.owner, c.name);
}

} // namespace oraclesim
