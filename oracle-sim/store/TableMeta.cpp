#include "TableMeta.h"

#include "OraError.h"

namespace oraclesim {

int TableMeta::findColumn(std::string_view column) const
{
    for (std::size_t i = 0; i < columns.size(); ++i)
        if (columns[i].name == column)
            return static_cast<int>(i);
    return -1;
}

const ConstraintMeta *TableMeta::findConstraint(char type) const
{
    for (const auto &c : constraints)
        if (c.type == type)
            return &c;
    return nullptr;
}

const IndexMeta *TableMeta::primaryKey() const
{
    const ConstraintMeta *pk = findConstraint('P');
    if (!pk)
        return nullptr;
    for (const auto &ix : indexes)
        if (ix.constraint == pk->name)
            return &ix;
    return nullptr;
}

std::string TableMeta::columnLabel(int index) const
{
    return quotedName(owner) + "." + quotedName(name) + "." + quotedName(columns[static_cast<std::size_t>(index)].name);
}

const char *deleteRuleName(DeleteRule rule)
{
    switch (rule) {
    case DeleteRule::Cascade:
        return "CASCADE";
    case DeleteRule::SetNull:
        return "SET NULL";
    default:
        return "NO ACTION";
    }
}

DeleteRule deleteRuleFromName(std::string_view name)
{
    if (name == "CASCADE")
        return DeleteRule::Cascade;
    if (name == "SET NULL")
        return DeleteRule::SetNull;
    return DeleteRule::NoAction;
}

} // namespace oraclesim
