#include "OracleSessionRights.h"

#include "Connection.h"
#include "Error.h"

namespace db {

namespace {

// Runs one dictionary query; a view the user may not read is noted, not thrown.
template <typename Use>
void readView(Connection &oracle, const char *view, const std::string &sql, std::vector<std::string> &unreadable,
              Use use)
{
    std::vector<Row> rows;
    try {
        rows = oracle.query(sql);
    } catch (const ConnectionLostError &) {
        throw;
    } catch (const Error &e) {
        unreadable.push_back(std::string(view) + ": " + e.what());
        return;
    }
    for (const auto &row : rows)
        use(row);
}

} // namespace

std::optional<bool> OracleSessionRights::mayStoreRows() const
{
    if (has("UNLIMITED TABLESPACE"))
        return true;
    if (defaultTablespace.empty())
        return std::nullopt;
    for (const auto &quota : quotas)
        if (quota.tablespace == defaultTablespace)
            return !quota.maxBytes || quota.usedBytes < *quota.maxBytes;
    // No quota there; unless USER_TS_QUOTAS could not be read, that is a plain no.
    for (const auto &note : unreadable)
        if (note.rfind("USER_TS_QUOTAS", 0) == 0 || note.rfind("SESSION_PRIVS", 0) == 0)
            return std::nullopt;
    return false;
}

std::vector<std::string> OracleSessionRights::missingToCreate(bool identityColumns) const
{
    std::vector<std::string> missing;
    for (const char *privilege : {"CREATE TABLE", "CREATE SEQUENCE"})
        if ((identityColumns || std::string_view(privilege) != "CREATE SEQUENCE") && !has(privilege))
            missing.emplace_back(privilege);
    return missing;
}

OracleSessionRights readOracleSessionRights(Connection &oracle)
{
    OracleSessionRights rights;
    readView(oracle, "SESSION_PRIVS", "select privilege from session_privs", rights.unreadable,
             [&](const Row &row) { rights.privileges.insert(row.at(0).data); });
    readView(oracle, "USER_USERS", "select default_tablespace from user_users", rights.unreadable,
             [&](const Row &row) { rights.defaultTablespace = row.at(0).data; });
    readView(oracle, "USER_TS_QUOTAS", "select tablespace_name, bytes, max_bytes from user_ts_quotas",
             rights.unreadable, [&](const Row &row) {
                 TablespaceQuota quota;
                 quota.tablespace = row.at(0).data;
                 quota.usedBytes = row.at(1).isNull() ? 0 : row.at(1).toInteger();
                 const long long max = row.at(2).isNull() ? -1 : row.at(2).toInteger();
                 if (max >= 0)
                     quota.maxBytes = max;
                 rights.quotas.push_back(std::move(quota));
             });
    return rights;
}

} // namespace db
