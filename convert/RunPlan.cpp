#include "RunPlan.h"

#include "KeyConversion.h"
#include "NameRules.h"
#include "SchemaDetails.h"
#include "SchemaStatements.h"
#include "TargetNamePlanner.h"

#include "db/Connection.h"
#include "db/Error.h"

namespace convert {

namespace {

// Settles the names of a table's keys and checks by building their statements once; what is built is
// thrown away, the names stay in the planner.
void planObjects(db::Connection &catalog, const TablePlan &table, const ConversionOptions &options,
                 ObjectNamePlanner &objects)
{
    std::vector<std::string> notes;
    if (!options.skipIndexes)
        BuildKeyStatements(catalog, table.names, options, objects, &notes);
    if (options.keepSchema)
        StatementsAfterRows(table.names, ReadTableDetails(catalog, table.names.source), {}, {}, options, objects,
                            notes);
}

void planForeignKeys(db::Connection &catalog, const TablePlan &table, const std::map<std::string, std::string> &targets,
                     const ConversionOptions &options, ObjectNamePlanner &objects)
{
    std::vector<std::string> notes;
    // Only the keys' names are settled here; their columns are named when they are sent.
    ForeignKeyStatements(
        table.names, ReadTableDetails(catalog, table.names.source), targets, options, objects,
        [](const std::string &) { return ColumnNames(); }, notes);
}

// Runs a reading of one table's MySQL listings: an error of the table itself (it is missing, it is not
// readable) becomes the table's problem; a lost session ends the plan.
template <typename F> void readingTable(TablePlan &table, F read)
{
    if (!table.problem.empty())
        return;
    try {
        read();
    } catch (const db::ConnectionLostError &) {
        throw;
    } catch (const db::Error &e) {
        table.problem = e.what();
    }
}

} // namespace

std::vector<std::string> ListSourceTables(db::Connection &catalog)
{
    std::vector<std::string> tables;
    for (const auto &row :
         catalog.query("select table_name from information_schema.tables where table_schema = database()"))
        tables.push_back(row.at(0).data);
    return tables;
}

namespace {

// Rows and bytes of every table of the database, as the information schema keeps them: no table is read.
void readSizes(db::Connection &catalog, std::vector<TablePlan> &tables)
{
    std::map<std::string, std::pair<db::Value, db::Value>> sizes;
    for (const auto &row : catalog.query("select table_name, table_rows, coalesce(data_length, 0) + "
                                         "coalesce(index_length, 0) from information_schema.tables"
                                         " where table_schema = database()"))
        sizes[row.at(0).data] = {row.at(1), row.at(2)};
    for (auto &table : tables) {
        const auto found = sizes.find(table.names.source);
        if (found == sizes.end())
            continue;
        if (!found->second.first.isNull())
            table.rowsExpected = static_cast<std::size_t>(found->second.first.toInteger());
        table.bytes = static_cast<std::size_t>(found->second.second.toInteger());
    }
}

} // namespace

RunPlan RunPlan::make(db::Connection &catalog, db::Connection &oracle, const std::string &user,
                      const std::vector<std::string> &tables, const ConversionOptions &options,
                      const std::function<void()> &afterTable)
{
    RunPlan plan;
    plan.oracle = OracleSchema::read(oracle, user);
    plan.objects = ObjectNamePlanner(plan.oracle.objectOwners, options.allows.nameBytes);
    const std::vector<std::string> sourceTables = ListSourceTables(catalog);
    TargetNamePlanner names(plan.oracle, sourceTables, options.uppercaseNames, options.allows.nameBytes);
    for (const auto &source : tables) {
        TablePlan table;
        table.names.source = source;
        table.names.working = ApplyNameCase(source, options.uppercaseNames);
        try {
            table.names = names.namesFor(source);
            plan.targets.emplace(source, table.names.target);
        } catch (const db::Error &e) {
            table.problem = e.what();
        }
        plan.tables.push_back(std::move(table));
    }
    // Parents outside the selection keep the name an earlier run gave them, when Oracle has it.
    if (options.keepSchema)
        for (const auto &source : sourceTables)
            if (!plan.targets.count(source)) {
                const TableNames known = names.existingNamesFor(source);
                if (!known.target.empty())
                    plan.targets.emplace(source, known.target);
            }
    readSizes(catalog, plan.tables);
    for (auto &table : plan.tables) {
        readingTable(table, [&] { planObjects(catalog, table, options, plan.objects); });
        if (afterTable)
            afterTable();
    }
    if (options.keepSchema)
        for (auto &table : plan.tables)
            readingTable(table, [&] { planForeignKeys(catalog, table, plan.targets, options, plan.objects); });
    return plan;
}

} // namespace convert
