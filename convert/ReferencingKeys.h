#pragma once

#include <string>
#include <vector>

namespace db {
class Connection;
}

namespace convert {

// A foreign key of another Oracle table that points at a table a run is about to replace. Dropping the
// table takes such keys with it (Oracle refuses the drop otherwise, ORA-02449), so they are read first
// and made again once the table holds its rows.
struct ReferencingKey {
    std::string name;
    std::string table; // the table the key belongs to
    std::vector<std::string> columns;
    std::vector<std::string> referencedColumns;
    std::string deleteRule; // "CASCADE", "SET NULL", "NO ACTION"
    bool enabled = true;

    // The statement that makes it again, on the table `referenced`.
    std::string statement(const std::string &referenced) const;
};

// The foreign keys of other tables of the user's that reference a primary key or unique constraint of
// `table`. Throws the server's error.
std::vector<ReferencingKey> ReadReferencingKeys(db::Connection &oracle, const std::string &user,
                                                const std::string &table);

} // namespace convert
