#include "OracleSchema.h"

#include "TableMarker.h"

#include "db/Connection.h"
#include "db/ConnectionProfile.h"

namespace convert {

OracleSchema OracleSchema::read(db::Connection &oracle, const std::string &user)
{
    // The views are named with their owner, so a table of the user's own called ALL_TABLES is not read
    // instead; the owner is compared as the existence test compares it.
    const std::vector<db::Value> owner = {db::Value::text(db::asciiUpper(user))};
    OracleSchema schema;
    for (const auto &row : oracle.query("select table_name from SYS.ALL_TABLES where upper(owner) = :1", owner))
        schema.tables.insert(row.at(0).data);
    for (const auto &row : oracle.query("select table_name, comments from SYS.ALL_TAB_COMMENTS"
                                        " where upper(owner) = :1 and comments is not null",
                                        owner))
        if (auto source = markedSource(row.at(1).data))
            schema.markedSources[row.at(0).data] = *source;
    for (const auto &row :
         oracle.query("select constraint_name, table_name from SYS.ALL_CONSTRAINTS where upper(owner) = :1", owner))
        schema.objectOwners[row.at(0).data] = row.at(1).data;
    for (const auto &row :
         oracle.query("select index_name, table_name from SYS.ALL_INDEXES where upper(owner) = :1", owner))
        schema.objectOwners.emplace(row.at(0).data, row.at(1).data);
    return schema;
}

} // namespace convert
