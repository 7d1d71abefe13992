#include "ServiceStore.h"

#include "SqliteStatement.h"
#include "StoredOrder.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace oraclesim {

namespace {

bool isServiceName(std::string_view name)
{
    if (name.empty() || name.size() > 128 || name[0] == '.')
        return false;
    for (char c : name)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
              c == '.' || c == '$' || c == '#'))
            return false;
    return true;
}

std::string home()
{
    const char *h = std::getenv("ORACLE_SIM_HOME");
    return h ? std::string(h) : std::string();
}

const char *const schema = R"(
CREATE TABLE IF NOT EXISTS sim_users(name TEXT PRIMARY KEY, password TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS sim_meta(key TEXT PRIMARY KEY, value INTEGER NOT NULL);
INSERT OR IGNORE INTO sim_meta(key, value) VALUES ('ddl_version', 1), ('sys_constraint', 7131);
CREATE TABLE IF NOT EXISTS sim_tables(id INTEGER PRIMARY KEY AUTOINCREMENT, owner TEXT NOT NULL, name TEXT NOT NULL,
    UNIQUE(owner, name));
CREATE TABLE IF NOT EXISTS sim_columns(table_id INTEGER NOT NULL, position INTEGER NOT NULL, name TEXT NOT NULL,
    type TEXT NOT NULL, length INTEGER NOT NULL, char_semantics INTEGER NOT NULL, has_precision INTEGER NOT NULL,
    precision INTEGER NOT NULL, scale INTEGER NOT NULL, nullable INTEGER NOT NULL, PRIMARY KEY(table_id, position));
CREATE TABLE IF NOT EXISTS sim_indexes(owner TEXT NOT NULL, name TEXT NOT NULL, table_id INTEGER NOT NULL,
    columns TEXT NOT NULL, uniqueness INTEGER NOT NULL, constraint_name TEXT, storage_name TEXT,
    PRIMARY KEY(owner, name));
CREATE TABLE IF NOT EXISTS sim_constraints(owner TEXT NOT NULL, name TEXT NOT NULL, table_id INTEGER NOT NULL,
    type TEXT NOT NULL, PRIMARY KEY(owner, name));
)";

// Constraints, defaults, identity columns, sequences and comments, added to the dictionary of
// files made before they existed as well as to new ones. Primary keys recorded before keep their
// columns in their index only; they get them in the constraint too.
const char *const schemaVersion2 = R"(
ALTER TABLE sim_columns ADD COLUMN default_text TEXT;
ALTER TABLE sim_columns ADD COLUMN identity TEXT;
ALTER TABLE sim_columns ADD COLUMN identity_on_null INTEGER NOT NULL DEFAULT 0;
ALTER TABLE sim_columns ADD COLUMN identity_sequence TEXT;
ALTER TABLE sim_constraints ADD COLUMN columns TEXT;
ALTER TABLE sim_constraints ADD COLUMN generated INTEGER NOT NULL DEFAULT 0;
ALTER TABLE sim_constraints ADD COLUMN ref_table_id INTEGER;
ALTER TABLE sim_constraints ADD COLUMN ref_constraint TEXT;
ALTER TABLE sim_constraints ADD COLUMN ref_columns TEXT;
ALTER TABLE sim_constraints ADD COLUMN delete_rule TEXT;
ALTER TABLE sim_constraints ADD COLUMN search_condition TEXT;
ALTER TABLE sim_constraints ADD COLUMN not_null INTEGER NOT NULL DEFAULT 0;
CREATE TABLE IF NOT EXISTS sim_sequences(owner TEXT NOT NULL, name TEXT NOT NULL, next_value INTEGER NOT NULL,
    high_water INTEGER NOT NULL, start_value INTEGER NOT NULL, increment INTEGER NOT NULL, min_value INTEGER,
    max_value INTEGER, cache INTEGER NOT NULL, cycle INTEGER NOT NULL, order_flag INTEGER NOT NULL, table_id INTEGER,
    PRIMARY KEY(owner, name));
CREATE TABLE IF NOT EXISTS sim_comments(table_id INTEGER NOT NULL, position INTEGER NOT NULL, text TEXT NOT NULL,
    PRIMARY KEY(table_id, position));
UPDATE sim_constraints SET columns = (SELECT i.columns FROM sim_indexes i WHERE i.owner = sim_constraints.owner
    AND i.constraint_name = sim_constraints.name), generated = (substr(name, 1, 5) = 'SYS_C')
    WHERE columns IS NULL;
INSERT OR REPLACE INTO sim_meta(key, value) VALUES ('schema_version', 2);
)";

// What each user holds: its system privileges (NULL: every one the stand-in knows) and its quota on
// the USERS tablespace (NULL: none, -1: unlimited, else bytes).
const char *const schemaVersion3 = R"(
ALTER TABLE sim_users ADD COLUMN privileges TEXT;
ALTER TABLE sim_users ADD COLUMN quota INTEGER;
INSERT OR REPLACE INTO sim_meta(key, value) VALUES ('schema_version', 3);
)";

std::int64_t storedSchemaVersion(sqlite3 *db)
{
    SqliteStatement st(db, "SELECT value FROM sim_meta WHERE key = 'schema_version'");
    return st.step() ? st.integer(0) : 1;
}

void upgrade(sqlite3 *db)
{
    if (storedSchemaVersion(db) >= 3)
        return;
    sqliteExec(db, "BEGIN IMMEDIATE");
    try {
        if (storedSchemaVersion(db) < 2) // another connection may have upgraded meanwhile
            sqliteExec(db, schemaVersion2);
        if (storedSchemaVersion(db) < 3)
            sqliteExec(db, schemaVersion3);
        sqliteExec(db, "COMMIT");
    } catch (...) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

} // namespace

std::optional<std::string> ServiceStore::resolve(std::string_view connectString)
{
    std::string folder = home();
    if (folder.empty())
        return std::nullopt;
    std::string_view service = connectString;
    auto slash = service.rfind('/');
    if (slash != std::string_view::npos)
        service = service.substr(slash + 1);
    if (!isServiceName(service))
        return std::nullopt;
    namespace fs = std::filesystem;
    fs::path exact = fs::path(folder) / (std::string(service) + ".db");
    std::error_code ec;
    if (fs::is_regular_file(exact, ec))
        return exact.string();
    // Net service names are not case-sensitive.
    auto upper = [](std::string s) {
        for (auto &c : s)
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 'a' + 'A');
        return s;
    };
    std::string wanted = upper(std::string(service) + ".DB");
    for (const auto &entry : fs::directory_iterator(folder, ec))
        if (entry.is_regular_file(ec) && upper(entry.path().filename().string()) == wanted)
            return entry.path().string();
    return std::nullopt;
}

std::string ServiceStore::pathFor(std::string_view service)
{
    std::string folder = home();
    if (folder.empty())
        throw std::runtime_error("ORACLE_SIM_HOME is not set");
    if (!isServiceName(service))
        throw std::runtime_error("'" + std::string(service) +
                                 "' is not a service name (letters, digits, _ - . $ # only)");
    std::filesystem::create_directories(folder);
    return (std::filesystem::path(folder) / (std::string(service) + ".db")).string();
}

sqlite3 *ServiceStore::open(const std::string &path, int busyTimeoutMs)
{
    sqlite3 *db = nullptr;
    int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                             nullptr);
    if (rc != SQLITE_OK) {
        std::string message = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
        sqlite3_close(db);
        throw std::runtime_error(path + ": " + message);
    }
    sqlite3_busy_timeout(db, busyTimeoutMs);
    StoredOrder::registerOn(db);
    try {
        sqliteExec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;");
        SqliteStatement check(db, "SELECT count(*) FROM sqlite_master WHERE name = 'sim_meta'");
        check.step();
        if (check.integer(0) == 0)
            sqliteExec(db, std::string("BEGIN IMMEDIATE;") + schema + "COMMIT;");
        check.reset();
        upgrade(db);
    } catch (const std::exception &e) {
        sqlite3_close(db);
        throw std::runtime_error(path + ": " + e.what());
    }
    return db;
}

void ServiceStore::setUser(sqlite3 *db, const std::string &user, const std::string &password,
                           const std::optional<Privileges> &privileges, std::optional<std::int64_t> quota)
{
    SqliteStatement st(db, "INSERT INTO sim_users(name, password, privileges, quota) VALUES (?, ?, ?, ?) "
                           "ON CONFLICT(name) DO UPDATE SET password = excluded.password, "
                           "privileges = excluded.privileges, quota = excluded.quota");
    st.bind(1, user).bind(2, password);
    if (privileges)
        st.bind(3, privileges->text());
    else
        st.bindNull(3);
    if (quota)
        st.bind(4, *quota);
    else
        st.bindNull(4);
    st.step();
}

UserGrants ServiceStore::grantsOf(sqlite3 *db, const std::string &user)
{
    SqliteStatement st(db, "SELECT privileges, quota FROM sim_users WHERE name = ?");
    st.bind(1, user);
    UserGrants grants{Privileges::every(), std::nullopt};
    if (!st.step())
        return grants;
    if (!st.isNull(0))
        grants.privileges = Privileges::parse(st.text(0)).value_or(Privileges());
    if (!st.isNull(1))
        grants.quota = st.integer(1);
    return grants;
}

bool ServiceStore::checkUser(sqlite3 *db, const std::string &user, const std::string &password)
{
    SqliteStatement st(db, "SELECT password FROM sim_users WHERE name = ?");
    st.bind(1, user);
    return st.step() && st.text(0) == password;
}

} // namespace oraclesim
