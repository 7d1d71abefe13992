#include "TableRules.h"

#include "Catalog.h"
#include "Evaluator.h"
#include "Parser.h"

namespace oraclesim {

const TableRules &TableRulesCache::of(const Catalog &catalog, const TableMeta &table)
{
    // Definitions the catalog dropped may have left their addresses to new ones.
    if (catalog.generation() != m_generation) {
        m_rules.clear();
        m_generation = catalog.generation();
    }
    auto it = m_rules.find(&table);
    if (it != m_rules.end())
        return it->second;
    TableRules rules;
    const auto columns = sourceColumns(table);
    for (const auto &c : table.columns)
        rules.defaults.push_back(c.defaultText.empty() ? std::nullopt
                                                       : std::optional<Expr>(Parser::parseExpression(c.defaultText)));
    for (std::size_t i = 0; i < table.constraints.size(); ++i) {
        const ConstraintMeta &c = table.constraints[i];
        if (c.type != 'C' || c.notNull)
            continue;
        Expr check = Parser::parseCondition(c.condition);
        Evaluator::resolve(check, columns, table.name, {});
        rules.checks.emplace_back(i, std::move(check));
    }
    return m_rules.emplace(&table, std::move(rules)).first->second;
}

} // namespace oraclesim
