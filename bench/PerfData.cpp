#include "PerfData.h"

#include "db/Connection.h"

namespace perfdata {

namespace {
// MariaDB's sequence tables (seq_1_to_N) make the rows on the server without shipping them.
std::string sequence(std::size_t rows) { return "seq_1_to_" + std::to_string(rows); }
} // namespace

void createNarrow(db::Connection &mysql, const std::string &table, std::size_t rows)
{
    mysql.execute("drop table if exists " + table);
    mysql.execute("create table " + table + " (id int primary key, v int) engine=InnoDB");
    if (rows > 0)
        mysql.execute("insert into " + table + " select seq, seq * 7 from " + sequence(rows));
}

void createWide(db::Connection &mysql, const std::string &table, std::size_t rows)
{
    mysql.execute("drop table if exists " + table);
    mysql.execute("create table " + table +
                  " (id int primary key, qty int, total bigint, price decimal(12,2), name varchar(40), "
                  "created datetime, note text) engine=InnoDB");
    if (rows > 0)
        mysql.execute("insert into " + table + " select seq, seq % 1000, seq * 1000003, (seq % 100000) / 100, "
                      "concat('customer name ', seq), '2024-01-01 00:00:00' + interval seq second, "
                      "concat('a short note about order ', seq, ' with some more words in it') from " +
                      sequence(rows));
}

void createLobs(db::Connection &mysql, const std::string &table, std::size_t rows, std::size_t objectBytes)
{
    mysql.execute("drop table if exists " + table);
    mysql.execute("create table " + table + " (id int primary key, data longblob) engine=InnoDB");
    if (rows > 0)
        mysql.execute("insert into " + table + " select seq, repeat(unhex(lpad(hex(seq % 256), 2, '0')), " +
                      std::to_string(objectBytes) + ") from " + sequence(rows));
}

} // namespace perfdata
