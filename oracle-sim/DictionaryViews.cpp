#include "DictionaryViews.h"

#include "Session.h"

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
    auto addOwner = [&](const char *column) {
        if (all)
            src.columns.push_back({column, text(), false});
    };
    auto withOwner = [&](Row row) {
        if (all)
            row.insert(row.begin(), str(owner));
        src.rows.push_back(std::move(row));
    };
    if (view == "DUAL") {
        src.columns = {{"DUMMY", text(1), true}};
        if (withRows)
            src.rows.push_back({str("X")});
        return src;
    }
    if (!all && !user)
        return std::nullopt;
    if (base == "TABLES") {
        addOwner("OWNER");
        src.columns.push_back({"TABLE_NAME", text(), false});
        src.columns.push_back({"TABLESPACE_NAME", text(30), true});
        if (withRows)
            for (const auto &t : catalog.tableNames(owner))
                withOwner({str(t), str("USERS")});
    } else if (base == "TAB_COLUMNS") {
        addOwner("OWNER");
        for (const char *c : {"TABLE_NAME", "COLUMN_NAME", "DATA_TYPE"})
            src.columns.push_back({c, text(), true});
        for (const char *c : {"DATA_LENGTH", "DATA_PRECISION", "DATA_SCALE"})
            src.columns.push_back({c, number(), true});
        src.columns.push_back({"NULLABLE", text(1), true});
        src.columns.push_back({"COLUMN_ID", number(), true});
        src.columns.push_back({"CHAR_LENGTH", number(), true});
        src.columns.push_back({"CHAR_USED", text(1), true});
        if (withRows)
            for (const auto &t : catalog.tableNames(owner)) {
                const TableMeta *meta = catalog.findTable(owner, t);
                if (!meta)
                    continue;
                for (std::size_t i = 0; i < meta->columns.size(); ++i) {
                    const auto &c = meta->columns[i];
                    const bool isNumber = c.type.base == ColumnType::Base::Number && c.type.hasPrecision;
                    const bool isText = c.type.base == ColumnType::Base::Varchar2;
                    // A TIMESTAMP's precision shows as its scale, as in Oracle's dictionary.
                    SqlValue scale = isNumber                                     ? num(c.type.scale)
                                     : c.type.base == ColumnType::Base::Timestamp ? num(c.type.precision)
                                                                                  : SqlValue();
                    withOwner({str(t), str(c.name), str(c.type.dictionaryName()), num(c.type.dataSize()),
                               isNumber ? num(c.type.precision) : SqlValue(), scale,
                               str(c.nullable ? "Y" : "N"), num(static_cast<std::int64_t>(i + 1)),
                               num(isText ? c.type.length : 0),
                               isText ? str(c.type.charSemantics ? "C" : "B") : SqlValue()});
                }
            }
    } else if (base == "INDEXES") {
        addOwner("OWNER");
        for (const char *c : {"INDEX_NAME", "TABLE_NAME", "UNIQUENESS"})
            src.columns.push_back({c, text(), true});
        if (withRows)
            for (const auto &ix : catalog.indexesOf(owner))
                withOwner({str(ix.name), str(ix.table), str(ix.unique ? "UNIQUE" : "NONUNIQUE")});
    } else if (base == "IND_COLUMNS") {
        addOwner("INDEX_OWNER");
        for (const char *c : {"INDEX_NAME", "TABLE_NAME", "COLUMN_NAME"})
            src.columns.push_back({c, text(), true});
        src.columns.push_back({"COLUMN_POSITION", number(), true});
        if (withRows)
            for (const auto &ix : catalog.indexesOf(owner))
                for (std::size_t i = 0; i < ix.columns.size(); ++i)
                    withOwner({str(ix.name), str(ix.table), str(ix.columns[i]), num(static_cast<std::int64_t>(i + 1))});
    } else if (base == "CONSTRAINTS") {
        addOwner("OWNER");
        for (const char *c : {"CONSTRAINT_NAME", "CONSTRAINT_TYPE", "TABLE_NAME", "INDEX_NAME"})
            src.columns.push_back({c, text(), true});
        if (withRows)
            for (const auto &ix : catalog.indexesOf(owner))
                if (!ix.constraint.empty())
                    withOwner({str(ix.constraint), str("P"), str(ix.table), str(ix.name)});
    } else {
        return std::nullopt;
    }
    return src;
}

} // namespace oraclesim
