#include "SourceListing.h"

#include "NameRules.h"

#include "db/Connection.h"
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

std::vector<SourceIndexRow> ListSourceIndexRows(db::Connection &connection, const std::string &table)
{
    auto listing = connection.createDataSet();
    listing->open("show index from " + quoteMySqlName(table));
    std::vector<SourceIndexRow> rows;
    for (; !listing->eof(); listing->next())
        rows.push_back({listing->text("Table"), listing->text("Key_name"), listing->text("Column_name"),
                        listing->integer("Seq_in_index"), listing->text("Non_unique") == "0",
                        listing->text("Index_type"), !listing->value("Sub_part").isNull()});
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
