#pragma once

#include "SqlStatement.h"
#include "TableMeta.h"

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

namespace oraclesim {

class Catalog;

// What a table's definition keeps as text and statements evaluate: column defaults and CHECK
// conditions, parsed and resolved against the table's columns.
struct TableRules {
    std::vector<std::optional<Expr>> defaults;        // one per column
    std::vector<std::pair<std::size_t, Expr>> checks; // index in TableMeta::constraints, condition
};

// The rules of the definitions a session's catalog holds, made once per definition.
class TableRulesCache {
public:
    const TableRules &of(const Catalog &catalog, const TableMeta &table);

private:
    std::uint64_t m_generation = 0;
    std::map<const TableMeta *, TableRules> m_rules;
};

} // namespace oraclesim
