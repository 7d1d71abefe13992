#pragma once

#include "SqlStatement.h"

namespace oraclesim {

class Session;

// CREATE and DROP of tables, indexes and sequences, ALTER TABLE and COMMENT. As in Oracle, DDL
// first commits the session's open transaction, then runs and commits on its own; when it fails,
// only the DDL itself is undone.
class DdlExecutor {
public:
    static void run(Session &session, const SqlStatement &statement);

private:
    static void createTable(Session &session, const CreateTable &ct);
    static void createIndex(Session &session, const CreateIndex &ci);
    static void dropTable(Session &session, const DropTable &dt);
    static void dropIndex(Session &session, const DropIndex &di);
    static void createSequence(Session &session, const CreateSequence &cs);
    static void dropSequence(Session &session, const DropSequence &ds);
    static void comment(Session &session, const Comment &c);
};

} // namespace oraclesim
