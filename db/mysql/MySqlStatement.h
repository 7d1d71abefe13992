#pragma once

#include "db/Connection.h"

#include <mysql.h>

#include <memory>
#include <string>
#include <vector>

namespace db {

// One prepared statement: the values travel as bound parameters, never inside the text.
// Threads: its session's; the caller runs it as one MySqlSession::call, which a cancel can end.
class MySqlStatement {
public:
    MySqlStatement(MYSQL *mysql, const std::string &sql);

    // Runs it with these values (one per '?') and reads every row it returns.
    std::vector<Row> run(const std::vector<Value> &binds);

private:
    std::vector<Row> readRows();

    struct Closer {
        void operator()(MYSQL_STMT *statement) const noexcept { mysql_stmt_close(statement); }
    };
    std::unique_ptr<MYSQL_STMT, Closer> m_statement;
};

} // namespace db
