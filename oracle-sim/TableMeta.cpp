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

const IndexMeta *TableMeta::primaryKey() const
{
    for (const auto &ix : indexes)
        if (!ix.constraint.empty())
            return &ix;
    return nullptr;
}

std::string TableMeta::columnLabel(int index) const
{
    return quotedName(owner) + "." + quotedName(name) + "." + quotedName(columns[static_cast<std::size_t>(index)].name);
}

} // namespace oraclesim
