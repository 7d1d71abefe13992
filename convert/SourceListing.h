#pragma once

#include "db/Value.h"

#include <cstdint>
#include <string>
#include <vector>

namespace db {
class Connection;
class DataSet;
} // namespace db

namespace convert {

// One column of a MySQL table as "show FIELDS" lists it.
struct SourceColumn {
    std::string name;       // as MySQL spells it
    std::string type;       // the type text, in MySQL's own notation ("varchar(20)", "int(10) unsigned")
    std::string null;       // "YES" or "NO"
    db::Value defaultValue; // NULL when the column has no default
    std::string extra;      // "auto_increment", "INVISIBLE", ...
};

// Every column of the table in table order, INVISIBLE ones included, from "show FIELDS" run on the given
// data set (left open at the end of the listing). Throws the server's error.
std::vector<SourceColumn> ListSourceColumns(db::DataSet &listing, const std::string &table);
std::vector<SourceColumn> ListSourceColumns(db::Connection &connection, const std::string &table);

// One row of "show index": one column of one key.
struct SourceIndexRow {
    std::string table;   // as the server names it in the listing
    std::string keyName; // "PRIMARY" for the primary key
    std::string column;
    std::int64_t seqInIndex = 0; // the column's place in its key, from 1
    bool unique = false;         // Non_unique = 0
    std::string indexType;       // "BTREE", "HASH", "FULLTEXT", "SPATIAL"
    bool prefix = false;         // only the column's first Sub_part characters are indexed
    // A key part that is an expression (MySQL 8.0.13 and later): no column, the expression instead.
    std::string expression;
};

// One row of "show index" from its fields by name (as the server names them; MySQL 8 adds Expression,
// and gives a NULL Column_name for an expression's part).
SourceIndexRow SourceIndexRowFrom(const std::vector<std::pair<std::string, db::Value>> &fields);

// The rows of "show index" for the table, in the server's order. Throws the server's error.
std::vector<SourceIndexRow> ListSourceIndexRows(db::Connection &connection, const std::string &table);

// The primary key's columns in key order; empty when the table has none.
std::vector<std::string> PrimaryKeyColumns(const std::vector<SourceIndexRow> &rows);

} // namespace convert
