#pragma once

#include "SourceChecks.h"
#include "SourceServer.h"

#include "db/Value.h"

#include <optional>
#include <string>
#include <vector>

namespace db {
class Connection;
}

namespace convert {

// What MySQL's information schema says of one column beyond its name and type.
struct ColumnDetails {
    std::string name;
    std::string type; // COLUMN_TYPE, as "show FIELDS" gives it
    bool notNull = false;
    bool hasDefault = false;
    std::string defaultText; // COLUMN_DEFAULT as MariaDB writes it: 'text' quoted, numbers bare, expressions
    bool autoIncrement = false;
    bool onUpdateNow = false; // ON UPDATE CURRENT_TIMESTAMP
    std::string comment;
};

struct ForeignKeyDetails {
    std::string name;
    std::vector<std::string> columns;
    std::string referencedTable;
    std::vector<std::string> referencedColumns;
    std::string onDelete; // "CASCADE", "SET NULL", "RESTRICT", "NO ACTION", "SET DEFAULT"
    std::string onUpdate;
};

struct TableDetails {
    std::string comment; // the table's own; a view's placeholder comment is not one
    bool view = false;
    std::vector<ColumnDetails> columns;
    std::vector<ForeignKeyDetails> foreignKeys;
    SourceChecks checks; // the table's own CHECK constraints
};

// A column's default in the form MariaDB 10.2.7 and later writes it in COLUMN_DEFAULT: text quoted
// ('new', a quote doubled), numbers bare, expressions bare (current_timestamp()); none for no default or a
// NULL one. MySQL, and MariaDB before 10.2.7, write a text default unquoted, so that "now()" could be
// text or an expression: their EXTRA says DEFAULT_GENERATED for an expression (MySQL 8.0.13 and later),
// and before that only CURRENT_TIMESTAMP was one.
std::optional<std::string> ColumnDefault(const SourceServer &server, const std::string &columnType,
                                         const db::Value &columnDefault, const std::string &extra);

// Reads them on the catalog connection, whose current database is the table's. Throws the server's error.
TableDetails ReadTableDetails(db::Connection &catalog, const std::string &table);

// Whether the name is a view's rather than a table's.
bool TableIsView(db::Connection &catalog, const std::string &table);

// What the database holds besides tables and views, which a run does not convert: "trigger NAME",
// "procedure NAME", "function NAME", "event NAME".
std::vector<std::string> ListObjectsNotConverted(db::Connection &catalog);

} // namespace convert
