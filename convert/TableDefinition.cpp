#include "TableDefinition.h"

#include "ColumnNames.h"
#include "NameRules.h"
#include "SchemaStatements.h"
#include "SourceListing.h"
#include "TypeMapping.h"

#include "db/DataSet.h"

namespace convert {

namespace {

constexpr long long kVarchar2Bytes = 4000;
// A UTF-8 character takes at most 4 bytes: columns of up to this many characters always fit.
constexpr long long kAlwaysFits = kVarchar2Bytes / 4;

// The longest value, in UTF-8 bytes, of each column that could outgrow a VARCHAR2; one read of the table
// for all of them. Columns that cannot outgrow it get 0.
std::vector<long long> longestValues(db::DataSet &catalog, const std::string &table,
                                     const std::vector<SourceColumn> &columns)
{
    std::vector<long long> longest(columns.size(), 0);
    std::vector<std::size_t> measured;
    std::string sql;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (MappedCharacterLength(columns[i].type) <= kAlwaysFits)
            continue;
        sql += (measured.empty() ? "select " : ", ");
        sql += "max(length(convert(" + quoteMySqlName(columns[i].name) + " using utf8mb4)))";
        measured.push_back(i);
    }
    if (measured.empty())
        return longest;
    catalog.close();
    catalog.open(sql + " from " + quoteMySqlName(table));
    for (std::size_t k = 0; k < measured.size(); ++k) {
        const db::Value value = catalog.value(static_cast<int>(k));
        longest[measured[k]] = value.isNull() ? 0 : value.toInteger();
    }
    catalog.close();
    return longest;
}

} // namespace

std::string BuildTableDefinition(db::DataSet &catalog, const TableNames &names, const ConversionOptions &options,
                                 std::vector<std::string> *notes, const TableDetails *details)
{
    std::vector<std::string> ignored;
    const std::vector<SourceColumn> columns = ListSourceColumns(catalog, names.source);
    const std::vector<long long> longest = longestValues(catalog, names.source, columns);

    std::vector<std::string> listed;
    for (const auto &column : columns)
        listed.push_back(column.name);
    const ColumnNames oracleNames(listed, options.allows.nameBytes);
    std::string statement = "Create table " + quoteOracleName(names.target) + " (";
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const std::string column = oracleNames.of(columns[i].name);
        if (notes && oracleNames.counted(columns[i].name))
            notes->push_back("Column \"" + columns[i].name + "\" is named " +
                             ApplyNameCase(column, options.uppercaseNames) +
                             " in Oracle: its first 30 bytes are another column's");
        std::string clause;
        if (longest[i] > kVarchar2Bytes) {
            clause = BuildColumnClause(column, "longtext", options.uppercaseNames, options.blobToText);
            if (notes)
                notes->push_back("Column \"" + columns[i].name + "\" becomes CLOB: its longest value is " +
                                 std::to_string(longest[i]) + " bytes, more than the " +
                                 std::to_string(kVarchar2Bytes) + " bytes an Oracle VARCHAR2 holds");
        } else {
            clause = BuildColumnClause(column, columns[i].type, options.uppercaseNames, options.blobToText);
        }
        if (details && i < details->columns.size() && details->columns[i].name == columns[i].name) {
            const std::string extras =
                ColumnClauseExtras(details->columns[i], options.allows, notes ? *notes : ignored);
            if (!extras.empty())
                clause += extras + " ";
        }
        if (i + 1 < columns.size())
            clause += " , ";
        statement += "\r\n";
        statement += clause;
    }
    statement += " ) ";
    return statement;
}

} // namespace convert
