#pragma once

#include "SqlStatement.h"

namespace oraclesim {

class Session;

// CREATE TABLE, CREATE INDEX, DROP TABLE, DROP INDEX and ALTER TABLE ... ADD PRIMARY KEY. As in
// Oracle, DDL first commits the session's open transaction, then runs and commits on its own; when
// it fails, only the DDL itself is undone.
class DdlExecutor {
public:
    static void run(Session &session, const SqlStatement &statement);

private:
    static void createTable(Session &session, const CreateTable &ct);
    static void createIndex(Session &session, const CreateIndex &ci);
    static void dropTable(Session &session, const DropTable &dt);
    static void dropIndex(Session &session, const DropIndex &di);
    static void addPrimaryKey(Session &session, const AddPrimaryKey &pk);
};

} // namespace oraclesim
