#pragma once

#include <cstddef>
#include <string>

namespace db {
class Connection;
}

// Creates the benchmark's own tables on the MySQL server, in the current database.
namespace perfdata {

// id int primary key, v int.
void createNarrow(db::Connection &mysql, const std::string &table, std::size_t rows);
// id int primary key and int, bigint, decimal, varchar, datetime and text columns.
void createWide(db::Connection &mysql, const std::string &table, std::size_t rows);
// id int primary key, data longblob of objectBytes bytes each.
void createLobs(db::Connection &mysql, const std::string &table, std::size_t rows, std::size_t objectBytes);

} // namespace perfdata
