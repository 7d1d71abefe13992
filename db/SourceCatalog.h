#pragma once

#include <string>
#include <vector>

namespace db {

class Connection;

// The databases of the source server and the tables of one of them, read on the catalog connection.
// Threads: the catalog connection's.
class SourceCatalog {
public:
    struct DatabaseList {
        std::vector<std::string> names; // the first column of "show databases ", in the server's order
        int selected = -1;              // the entry that matches the typed name, -1 when none does
    };

    explicit SourceCatalog(Connection &catalog) : m_catalog(catalog) {}

    // Lists the databases on the open connection. The entry whose name equals `typedName` with ASCII
    // letters compared without case is preselected (the last one, should several match); the typed
    // text is compared as it stands, blanks included.
    DatabaseList listDatabases(const std::string &typedName);

    // Closes the connection, points its "Database" parameter at `database`, reopens it there and lists
    // its tables in the server's order. The connection stays open on that database for the run.
    std::vector<std::string> listTables(const std::string &database);

    // The views among the tables of the database the connection is open on.
    std::vector<std::string> listViews();

private:
    std::vector<std::string> firstColumn(const std::string &sql);

    Connection &m_catalog;
};

} // namespace db
