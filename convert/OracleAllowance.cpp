#include "OracleAllowance.h"

#include "db/OracleServerInfo.h"
#include "db/OracleSessionRights.h"

namespace convert {

namespace {

constexpr std::size_t kLongNameBytes = 128; // Oracle 12.2 and later, COMPATIBLE 12.2 or later

// Whether the session may create objects of that kind in its own schema: the privilege itself, or its
// ANY form.
bool mayCreate(const db::OracleSessionRights &rights, const std::string &kind)
{
    return rights.has("CREATE " + kind) || rights.has("CREATE ANY " + kind);
}

bool privilegesKnown(const db::OracleSessionRights &rights)
{
    for (const auto &note : rights.unreadable)
        if (note.rfind("SESSION_PRIVS", 0) == 0)
            return false;
    return true;
}

} // namespace

OracleAllowance SettleOracleAllowance(db::Connection &oracle, const std::string &user, const ConversionOptions &options)
{
    OracleAllowance result;
    if (options.longNames) {
        const db::OracleServerInfo *server = db::oracleServerInfo(oracle);
        if (server && server->maxIdentifierBytes >= kLongNameBytes)
            result.allows.nameBytes = kLongNameBytes;
        else
            result.lines.push_back({"Names are kept to 30 bytes: this Oracle server takes no longer ones (names up to "
                                    "128 bytes need Oracle 12.2 or later, with COMPATIBLE 12.2 or later)",
                                    false});
    }
    const db::OracleSessionRights rights = db::readOracleSessionRights(oracle);
    if (!privilegesKnown(rights)) {
        for (const auto &note : rights.unreadable)
            result.lines.push_back({"The privileges of Oracle user " + user + " could not be read: " + note, false});
        return result;
    }
    if (!mayCreate(rights, "TABLE")) {
        result.lines.push_back({"Oracle user " + user +
                                    " lacks the privilege CREATE TABLE: no table can be created "
                                    "(ORA-01031); grant it, or convert into tables that exist with Merge",
                                true});
    }
    if (options.keepSchema && !mayCreate(rights, "SEQUENCE")) {
        result.allows.identities = false;
        result.lines.push_back({"Oracle user " + user +
                                    " lacks the privilege CREATE SEQUENCE, which an identity "
                                    "column needs: auto-increment columns arrive as plain numbers, and their tables "
                                    "count as failed",
                                true});
    }
    if (!options.definitionsOnly && rights.mayStoreRows() == false) {
        result.lines.push_back({"Oracle user " + user + " has no quota on its default tablespace " +
                                    rights.defaultTablespace +
                                    " and no UNLIMITED TABLESPACE: Oracle refuses its rows "
                                    "(ORA-01950)",
                                true});
    }
    return result;
}

} // namespace convert
