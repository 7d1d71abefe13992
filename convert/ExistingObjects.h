#pragma once

#include "KeyConversion.h"
#include "SchemaStatements.h"

#include <set>
#include <string>

namespace db {
class Connection;
}

namespace convert {

// What an Oracle table already has of the schema a run makes, read from the dictionary when a run
// continues a table an earlier run began: that run may have been stopped before its keys, NOT NULL,
// checks or foreign keys were made, and the continuing run makes only what is missing.
class ExistingObjects {
public:
    static ExistingObjects read(db::Connection &oracle, const std::string &user, const std::string &table);

    bool has(const KeyStatement &statement) const;
    bool has(const SchemaStatement &statement) const;
    bool hasPrimaryKey() const noexcept { return m_primaryKey; }
    bool isIdentity(const std::string &column) const { return m_identity.count(column) > 0; }

private:
    bool m_primaryKey = false;
    std::set<std::string> m_constraints; // names, every type
    std::set<std::string> m_indexes;
    std::set<std::string> m_notNull;  // columns
    std::set<std::string> m_identity; // columns
};

} // namespace convert
