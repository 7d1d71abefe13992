#pragma once

#include "OciApi.h"
#include "db/TargetTable.h"

#include <memory>
#include <string>
#include <vector>

namespace db {

class OciSession;

// A column as the select list describes it, with the character length that CHAR-semantics columns
// report besides their byte size.
struct OciColumn : ColumnInfo {
    int charSize = 0;
};

// One prepared statement (OCIStmtPrepare2), released when it goes. Its bind handles live as long as
// it does, one per position, so binding a position again reuses the handle instead of adding one.
// Threads: its session's; OciSession::breakCall() ends its execute under way.
class OciStatement {
public:
    // Prepares the text as it is; "?" markers are the caller's to turn into ":n" first.
    OciStatement(std::shared_ptr<OciSession> session, const std::string &sql);
    ~OciStatement();
    OciStatement(const OciStatement &) = delete;
    OciStatement &operator=(const OciStatement &) = delete;

    OCIStmt *get() const noexcept { return m_stmt; }
    OciSession &session() const noexcept { return *m_session; }
    const std::string &text() const noexcept { return m_text; }

    // Runs the statement; throws Oracle's error for anything but success (with or without info).
    void execute(ub4 iterations, ub4 mode = 0);
    // Runs it and hands back the status for the caller to judge (batch errors).
    sword tryExecute(ub4 iterations, ub4 mode = 0);

    ub2 statementType() const;
    ub4 rowCount() const;
    void setPrefetchRows(ub4 rows);
    // The select list after an execute (describe-only or real).
    std::vector<OciColumn> describe() const;

    // The handle slot OCIBindByPos fills for this 1-based position.
    OCIBind **bindSlot(ub4 position);

private:
    std::shared_ptr<OciSession> m_session;
    std::string m_text;
    OCIStmt *m_stmt = nullptr;
    std::vector<OCIBind *> m_binds;
};

} // namespace db
