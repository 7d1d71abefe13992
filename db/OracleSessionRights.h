#pragma once

#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace db {

class Connection;

// A quota of the user on one tablespace, as USER_TS_QUOTAS shows it.
struct TablespaceQuota {
    std::string tablespace;
    long long usedBytes = 0;
    std::optional<long long> maxBytes; // nothing: unlimited
};

// What the Oracle session may do, read from the dictionary views every user can read: the system
// privileges of the session (SESSION_PRIVS, roles included), the user's default tablespace
// (USER_USERS) and quotas (USER_TS_QUOTAS). A view that cannot be read leaves its part empty and says
// so in `unreadable`, rather than failing: this informs, it decides nothing on its own.
struct OracleSessionRights {
    std::set<std::string> privileges;
    std::string defaultTablespace;
    std::vector<TablespaceQuota> quotas;
    std::vector<std::string> unreadable; // "SESSION_PRIVS: ORA-00942: ..."

    bool has(std::string_view privilege) const { return privileges.count(std::string(privilege)) > 0; }
    // Whether the user may store rows in its default tablespace: UNLIMITED TABLESPACE, or a quota there
    // with room left. Nothing when the views could not tell.
    std::optional<bool> mayStoreRows() const;
    // The privileges a run needs and the session lacks, in the order they are needed: CREATE TABLE,
    // and CREATE SEQUENCE when an identity column is to be made.
    std::vector<std::string> missingToCreate(bool identityColumns) const;
};

// Reads them through the connection (three dictionary queries). Throws only when the connection
// itself fails.
// Threads: the connection's. A cancel of the connection ends the reading with db::CancelledError.
OracleSessionRights readOracleSessionRights(Connection &oracle);

} // namespace db
