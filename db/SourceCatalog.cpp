#include "SourceCatalog.h"

#include "Connection.h"
#include "ConnectionProfile.h"
#include "DataSet.h"

namespace db {

std::vector<std::string> SourceCatalog::firstColumn(const std::string &sql)
{
    std::unique_ptr<DataSet> rows = m_catalog.createDataSet();
    rows->open(sql);
    std::vector<std::string> values;
    for (; !rows->eof(); rows->next())
        values.push_back(rows->text(0));
    rows->close();
    return values;
}

SourceCatalog::DatabaseList SourceCatalog::listDatabases(const std::string &typedName)
{
    DatabaseList list;
    list.names = firstColumn("show databases ");
    const std::string wanted = asciiUpper(typedName);
    for (std::size_t i = 0; i < list.names.size(); ++i)
        if (asciiUpper(list.names[i]) == wanted)
            list.selected = static_cast<int>(i);
    return list;
}

std::vector<std::string> SourceCatalog::listTables(const std::string &database)
{
    m_catalog.close();
    m_catalog.setParameter("Database", database);
    m_catalog.open();
    return firstColumn("show tables");
}

std::vector<std::string> SourceCatalog::listViews() { return firstColumn("show full tables where Table_type = 'VIEW'"); }

} // namespace db
