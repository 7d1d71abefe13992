#include "SourceListing.h"

#include "NameRules.h"

#include "db/Connection.h"
#include "db/ConnectionProfile.h"
#include "db/DataSet.h"

#include <algorithm>
#include <utility>

namespace convert {

std::vector<SourceColumn> ListSourceColumns(db::DataSet &listing, const std::string &table)
{
    if (listing.isOpen())
        listing.close();
    listing.open("show FIELDS from " + quoteMySqlName(table));
    std::vector<SourceColumn> columns;
    for (; !listing.eof(); listing.next())
        columns.push_back({listing.text("field"), listing.text("type"), listing.text("null"), listing.value("default"),
                           listing.text("extra")});
    return columns;
}

std::vector<SourceColumn> ListSourceColumns(db::Connection &connection, const std::string &table)
{
    auto listing = connection.createDataSet();
    return ListSourceColumns(*listing, table);
}

SourceIndexRow SourceIndexRowFrom(const std::vector<std::pair<std::string, db::Value>> &fields)
{
    auto field = [&](std::string_view name) -> db::Value {
        for (const auto &[fieldName, value] : fields)
            if (db::equalsIgnoreCase(fieldName, name))
                return value;
        return db::Value::null();
    };
    SourceIndexRow row;
    row.table = field("Table").data;
    row.keyName = field("Key_name").data;
    row.column = field("Column_name").data;
    row.seqInIndex = field("Seq_in_index").toInteger();
    row.unique = field("Non_unique").data == "0";
    row.indexType = field("Index_type").data;
    row.prefix = !field("Sub_part").isNull();
    if (field("Column_name").isNull())
        row.expression = field("Expression").data;
    return row;
}

std::vector<SourceIndexRow> ListSourceIndexRows(db::Connection &connection, const std::string &table)
{
    auto listing = connection.createDataSet();
    listing->open("show index from " + quoteMySqlName(table));
    std::vector<SourceIndexRow> rows;
    std::vector<std::pair<std::string, db::Value>> fields(static_cast<std::size_t>(listing->fieldCount()));
    for (; !listing->eof(); listing->next()) {
        for (int i = 0; i < listing->fieldCount(); ++i)
            fields[static_cast<std::size_t>(i)] = {listing->fieldName(i), listing->value(i)};
        rows.push_back(SourceIndexRowFrom(fields));
    }
    listing->close();
    return rows;
}

std::vector<std::string> PrimaryKeyColumns(const std::vector<SourceIndexRow> &rows)
{
    std::vector<std::pair<std::int64_t, std::string>> key;
    for (const auto &row : rows)
        if (row.keyName == "PRIMARY")
            key.emplace_back(row.seqInIndex, row.column);
    std::sort(key.begin(), key.end());
    std::vector<std::string> columns;
    for (auto &k : key)
        columns.push_back(std::move(k.second));
    return columns;
}

} // namespace convert
