#include "DictionaryViews.h"

#include "SequenceStore.h"
#include "Session.h"

#include <map>

namespace oraclesim {

namespace {

ColumnType text(int length = 128)
{
    ColumnType t;
    t.base = ColumnType::Base::Varchar2;
    t.length = length;
    return t;
}

ColumnType number()
{
    ColumnType t;
    t.base = ColumnType::Base::Number;
    return t;
}

SqlValue str(const std::string &s) { return s.empty() ? SqlValue() : SqlValue::text(s); }
SqlValue num(std::int64_t v) { return SqlValue::number(Decimal::fromInteger(v)); }
SqlValue bigNum(const std::string &digits) { return SqlValue::number(*Decimal::parse(digits)); }
SqlValue yesNo(bool yes) { return str(yes ? "YES" : "NO"); }

// One view being filled: its columns, and for ALL_ views the owner column in front of every row.
class ViewBuilder {
public:
    ViewBuilder(RowSource &src, bool all, std::string owner) : m_src(src), m_all(all), m_owner(std::move(owner)) {}
    void owner(const char *column)
    {
        if (m_all)
            m_src.columns.push_back({column, text(), false});
    }
    void columns(std::initializer_list<const char *> names, const ColumnType &type)
    {
        for (const char *n : names)
            m_src.columns.push_back({n, type, true});
    }
    void row(Row values)
    {
        if (m_all)
            values.insert(values.begin(), str(m_owner));
        m_src.rows.push_back(std::move(values));
    }

private:
    RowSource &m_src;
    bool m_all;
    std::string m_owner;
};

std::vector<const TableMeta *> tablesOf(Catalog &catalog, const std::string &owner)
{
    std::vector<const TableMeta *> tables;
    for (const auto &name : catalog.tableNames(owner))
        if (const TableMeta *t = catalog.findTable(owner, name))
            tables.push_back(t);
    return tables;
}

void tabColumns(ViewBuilder &v, Catalog &catalog, const std::string &owner, bool withRows)
{
    v.owner("OWNER");
    v.columns({"TABLE_NAME", "COLUMN_NAME", "DATA_TYPE"}, text());
    v.columns({"DATA_LENGTH", "DATA_PRECISION", "DATA_SCALE"}, number());
    v.columns({"NULLABLE"}, text(1));
    v.columns({"COLUMN_ID", "CHAR_LENGTH"}, number());
    v.columns({"CHAR_USED"}, text(1));
    v.columns({"DATA_DEFAULT"}, text(4000)); // a LONG in Oracle
    v.columns({"IDENTITY_COLUMN", "DEFAULT_ON_NULL"}, text(3));
    if (!withRows)
        return;
    for (const TableMeta *t : tablesOf(catalog, owner))
        for (std::size_t i = 0; i < t->columns.size(); ++i) {
            const auto &c = t->columns[i];
            const bool isNumber = c.type.base == ColumnType::Base::Number && c.type.hasPrecision;
            const bool isText = c.type.base == ColumnType::Base::Varchar2;
            // A TIMESTAMP's precision shows as its scale, as in Oracle's dictionary.
            SqlValue scale = isNumber                                     ? num(c.type.scale)
                             : c.type.base == ColumnType::Base::Timestamp ? num(c.type.precision)
                                                                          : SqlValue();
            v.row({str(t->name), str(c.name), str(c.type.dictionaryName()), num(c.type.dataSize()),
                   isNumber ? num(c.type.precision) : SqlValue(), scale, str(c.nullable ? "Y" : "N"),
                   num(static_cast<std::int64_t>(i + 1)), num(isText ? c.type.length : 0),
                   isText ? str(c.type.charSemantics ? "C" : "B") : SqlValue(), str(c.defaultText),
                   yesNo(!c.identity.empty()), yesNo(c.identityOnNull)});
        }
}

void constraints(ViewBuilder &v, Catalog &catalog, const std::string &owner, bool withRows)
{
    v.owner("OWNER");
    v.columns({"CONSTRAINT_NAME", "CONSTRAINT_TYPE", "TABLE_NAME", "INDEX_NAME"}, text());
    v.columns({"SEARCH_CONDITION", "SEARCH_CONDITION_VC"}, text(4000)); // the first a LONG in Oracle
    v.columns(
        {"R_OWNER", "R_CONSTRAINT_NAME", "DELETE_RULE", "STATUS", "DEFERRABLE", "DEFERRED", "VALIDATED", "GENERATED"},
        text());
    if (!withRows)
        return;
    for (const TableMeta *t : tablesOf(catalog, owner))
        for (const auto &c : t->constraints) {
            std::string index;
            for (const auto &ix : t->indexes)
                if (ix.constraint == c.name)
                    index = ix.name;
            const bool foreign = c.type == 'R';
            v.row({str(c.name), str(std::string(1, c.type)), str(t->name), str(index), str(c.condition),
                   str(c.condition), str(foreign ? owner : ""), str(c.refConstraint),
                   str(foreign ? deleteRuleName(c.deleteRule) : ""), str("ENABLED"), str("NOT DEFERRABLE"),
                   str("IMMEDIATE"), str("VALIDATED"), str(c.generatedName ? "GENERATED NAME" : "USER NAME")});
        }
}

void consColumns(ViewBuilder &v, Catalog &catalog, const std::string &owner, bool withRows)
{
    v.columns({"OWNER", "CONSTRAINT_NAME", "TABLE_NAME", "COLUMN_NAME"}, text());
    v.columns({"POSITION"}, number());
    if (!withRows)
        return;
    for (const TableMeta *t : tablesOf(catalog, owner))
        for (const auto &c : t->constraints)
            for (std::size_t i = 0; i < c.columns.size(); ++i) {
                const auto &col = t->columns[static_cast<std::size_t>(c.columns[i])];
                // A check constraint's columns have no position.
                v.row({str(owner), str(c.name), str(t->name), str(col.name),
                       c.type == 'C' ? SqlValue() : num(static_cast<std::int64_t>(i + 1))});
            }
}

void sequences(ViewBuilder &v, Session &session, bool withRows)
{
    v.owner("SEQUENCE_OWNER");
    v.columns({"SEQUENCE_NAME"}, text());
    v.columns({"MIN_VALUE", "MAX_VALUE", "INCREMENT_BY"}, number());
    v.columns({"CYCLE_FLAG", "ORDER_FLAG"}, text(1));
    v.columns({"CACHE_SIZE", "LAST_NUMBER"}, number());
    if (!withRows)
        return;
    for (const auto &s : SequenceStore::list(session.db(), session.user()))
        v.row({str(s.name), bigNum(SequenceStore::minValueText(s)), bigNum(SequenceStore::maxValueText(s)),
               num(s.increment), str(s.cycle ? "Y" : "N"), str(s.order ? "Y" : "N"), num(s.cache), num(s.highWater)});
}

void identityColumns(ViewBuilder &v, Session &session, bool withRows)
{
    v.owner("OWNER");
    v.columns({"TABLE_NAME", "COLUMN_NAME", "GENERATION_TYPE", "SEQUENCE_NAME"}, text());
    v.columns({"IDENTITY_OPTIONS"}, text(298));
    if (!withRows)
        return;
    for (const TableMeta *t : tablesOf(session.catalog(), session.user()))
        for (const auto &c : t->columns) {
            if (c.identity.empty())
                continue;
            auto s = SequenceStore::find(session.db(), session.user(), c.identitySequence);
            if (!s)
                continue;
            // UNVERIFIED: the list as 19c prints it.
            std::string options =
                "START WITH: " + std::to_string(s->start) + ", INCREMENT BY: " + std::to_string(s->increment) +
                ", MAX_VALUE: " + SequenceStore::maxValueText(*s) + ", MIN_VALUE: " + SequenceStore::minValueText(*s) +
                ", CYCLE_FLAG: " + (s->cycle ? "Y" : "N") + ", CACHE_SIZE: " + std::to_string(s->cache) +
                ", ORDER_FLAG: " + (s->order ? "Y" : "N") + ", SCALE_FLAG: N, EXTEND_FLAG: N, KEEP_VALUE: N";
            v.row({str(t->name), str(c.name), str(c.identity), str(c.identitySequence), str(options)});
        }
}

// Comments by table id and position (0: the table's own).
std::map<std::pair<std::int64_t, std::int64_t>, std::string> commentsOf(Session &session)
{
    std::map<std::pair<std::int64_t, std::int64_t>, std::string> out;
    SqliteStatement st(session.db(), "SELECT c.table_id, c.position, c.text FROM sim_comments c "
                                     "JOIN sim_tables t ON t.id = c.table_id WHERE t.owner = ?");
    st.bind(1, session.user());
    while (st.step())
        out[{st.integer(0), st.integer(1)}] = st.text(2);
    return out;
}

void tabComments(ViewBuilder &v, Session &session, bool withRows)
{
    v.owner("OWNER");
    v.columns({"TABLE_NAME", "TABLE_TYPE"}, text());
    v.columns({"COMMENTS"}, text(4000));
    if (!withRows)
        return;
    auto comments = commentsOf(session);
    for (const TableMeta *t : tablesOf(session.catalog(), session.user())) {
        auto it = comments.find({t->id, 0});
        v.row({str(t->name), str("TABLE"), it == comments.end() ? SqlValue() : str(it->second)});
    }
}

void colComments(ViewBuilder &v, Session &session, bool withRows)
{
    v.owner("OWNER");
    v.columns({"TABLE_NAME", "COLUMN_NAME"}, text());
    v.columns({"COMMENTS"}, text(4000));
    if (!withRows)
        return;
    auto comments = commentsOf(session);
    for (const TableMeta *t : tablesOf(session.catalog(), session.user()))
        for (std::size_t i = 0; i < t->columns.size(); ++i) {
            auto it = comments.find({t->id, static_cast<std::int64_t>(i + 1)});
            v.row({str(t->name), str(t->columns[i].name), it == comments.end() ? SqlValue() : str(it->second)});
        }
}

} // namespace

std::optional<RowSource> DictionaryViews::source(Session &session, const TableName &name, bool withRows)
{
    if (!name.schema.empty() && name.schema != "SYS" && name.schema != "PUBLIC")
        return std::nullopt;
    const std::string &view = name.name;
    bool all = view.rfind("ALL_", 0) == 0;
    bool user = view.rfind("USER_", 0) == 0;
    std::string base = all ? view.substr(4) : (user ? view.substr(5) : view);
    RowSource src;
    src.name = view;
    const std::string &owner = session.user();
    Catalog &catalog = session.catalog();
    if (view == "DUAL") {
        src.columns = {{"DUMMY", text(1), true}};
        if (withRows)
            src.rows.push_back({str("X")});
        return src;
    }
    if (view == "V$PARAMETER" || view == "V_$PARAMETER") {
        // The instance's parameters are no user's to read without a dictionary privilege: to anybody else
        // the view does not exist.
        if (!session.grants().privileges.has("SELECT ANY DICTIONARY"))
            return std::nullopt;
        src.columns = {{"NAME", text(80), false}, {"VALUE", text(4000), true}};
        if (withRows) {
            // A 19c server; one whose names are held to 30 bytes runs with the compatibility of 12.1.
            const bool longNames = session.config().maxIdentifier >= 128;
            src.rows.push_back({str("compatible"), str(longNames ? "19.0.0" : "12.1.0.2")});
            src.rows.push_back({str("max_string_size"), str("STANDARD")});
        }
        return src;
    }
    if (view == "SESSION_PRIVS") {
        src.columns = {{"PRIVILEGE", text(40), false}};
        if (withRows)
            for (const auto &privilege : session.grants().privileges.names())
                src.rows.push_back({str(privilege)});
        return src;
    }
    if (view == "USER_USERS") {
        src.columns = {{"USERNAME", text(), false},
                       {"ACCOUNT_STATUS", text(32), false},
                       {"DEFAULT_TABLESPACE", text(30), false},
                       {"TEMPORARY_TABLESPACE", text(30), false}};
        if (withRows)
            src.rows.push_back({str(owner), str("OPEN"), str("USERS"), str("TEMP")});
        return src;
    }
    if (view == "USER_TS_QUOTAS") {
        // A row where a quota was given; MAX_BYTES -1 for an unlimited one. UNLIMITED TABLESPACE adds none.
        src.columns = {{"TABLESPACE_NAME", text(30), false}, {"BYTES", number(), true},
                       {"MAX_BYTES", number(), true},        {"BLOCKS", number(), true},
                       {"MAX_BLOCKS", number(), true},       {"DROPPED", text(3), true}};
        if (withRows && session.grants().quota) {
            const std::int64_t max = *session.grants().quota;
            src.rows.push_back({str("USERS"), num(0), num(max), num(0), num(max < 0 ? -1 : max / 8192), str("NO")});
        }
        return src;
    }
    if (!all && !user)
        return std::nullopt;
    ViewBuilder v(src, all, owner);
    if (base == "TABLES") {
        v.owner("OWNER");
        src.columns.push_back({"TABLE_NAME", text(), false});
        src.columns.push_back({"TABLESPACE_NAME", text(30), true});
        if (withRows)
            for (const auto &t : catalog.tableNames(owner))
                v.row({str(t), str("USERS")});
    } else if (base == "TAB_COLUMNS") {
        tabColumns(v, catalog, owner, withRows);
    } else if (base == "INDEXES") {
        v.owner("OWNER");
        v.columns({"INDEX_NAME", "TABLE_NAME", "UNIQUENESS"}, text());
        if (withRows)
            for (const auto &ix : catalog.indexesOf(owner))
                v.row({str(ix.name), str(ix.table), str(ix.unique ? "UNIQUE" : "NONUNIQUE")});
    } else if (base == "IND_COLUMNS") {
        v.owner("INDEX_OWNER");
        v.columns({"INDEX_NAME", "TABLE_NAME", "COLUMN_NAME"}, text());
        v.columns({"COLUMN_POSITION"}, number());
        if (withRows)
            for (const auto &ix : catalog.indexesOf(owner))
                for (std::size_t i = 0; i < ix.columns.size(); ++i)
                    v.row({str(ix.name), str(ix.table), str(ix.columns[i]), num(static_cast<std::int64_t>(i + 1))});
    } else if (base == "CONSTRAINTS") {
        constraints(v, catalog, owner, withRows);
    } else if (base == "CONS_COLUMNS") {
        ViewBuilder withOwnColumn(src, false, owner); // USER_CONS_COLUMNS has OWNER as well
        consColumns(withOwnColumn, catalog, owner, withRows);
    } else if (base == "SEQUENCES") {
        sequences(v, session, withRows);
    } else if (base == "TAB_IDENTITY_COLS") {
        identityColumns(v, session, withRows);
    } else if (base == "TAB_COMMENTS") {
        tabComments(v, session, withRows);
    } else if (base == "COL_COMMENTS") {
        colComments(v, session, withRows);
    } else {
        return std::nullopt;
    }
    return src;
}

} // namespace oraclesim
