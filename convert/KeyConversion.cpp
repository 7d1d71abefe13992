#include "KeyConversion.h"

#include "ColumnNames.h"
#include "NameRules.h"
#include "SourceListing.h"

#include "db/Connection.h"
#include "db/Error.h"

#include <map>

namespace convert {

namespace {

// Every Oracle name in a key statement is formed exactly as the create step formed the table's names:
// cut to Oracle's limit, then cased, then double-quoted, so the statement names what was created.
std::string oracleName(const std::string &raw, const ConversionOptions &options)
{
    return ApplyNameCase(cutToBytes(raw, options.allows.nameBytes), options.uppercaseNames);
}

class KeyBuilder {
public:
    KeyBuilder(const TableNames &names, const ConversionOptions &options, ObjectNamePlanner &objects,
               ColumnNames columns)
        : m_names(names), m_options(options), m_objects(objects), m_columns(std::move(columns))
    {
    }

    void startPrimary(const std::string &table, long long rowNumber, const std::string &column)
    {
        m_current.kind = ObjectKind::PrimaryKey;
        m_current.name = m_objects.nameFor(m_names.target, "primary",
                                           oracleName("PRIMARY" + table + std::to_string(rowNumber), m_options));
        guarded([&] {
            m_current.sql = "alter table " + quoteOracleName(m_names.target) + "  add constraint " +
                            quoteOracleName(m_current.name, "constraint") + " primary key (" + columnName(column);
        });
    }

    void startIndex(const std::string &keyName, const std::string &column)
    {
        m_current.kind = ObjectKind::Index;
        m_current.name = m_objects.nameFor(m_names.target, "index:" + keyName,
                                           oracleName("idx_" + keyName + m_names.working, m_options));
        guarded([&] {
            m_current.sql = "create index " + quoteOracleName(m_current.name, "index") + " on " +
                            quoteOracleName(m_names.target) + " (" + columnName(column);
        });
    }

    // A unique key kept as a constraint, not a unique index: a foreign key may point only at a primary
    // key or a unique constraint (ORA-02270), and the constraint brings its own index.
    void startUnique(const std::string &keyName, const std::string &column)
    {
        m_current.kind = ObjectKind::Index;
        m_current.name = m_objects.nameFor(m_names.target, "index:" + keyName,
                                           oracleName("idx_" + keyName + m_names.working, m_options));
        guarded([&] {
            m_current.sql = "alter table " + quoteOracleName(m_names.target) + " add constraint " +
                            quoteOracleName(m_current.name, "constraint") + " unique (" + columnName(column);
        });
    }

    void addColumn(const std::string &column)
    {
        guarded([&] { m_current.sql += "," + columnName(column); });
    }

    bool pending() const { return !m_current.name.empty(); }

    KeyStatement finish()
    {
        KeyStatement done = std::move(m_current);
        done.sql += ")";
        m_current = {};
        return done;
    }

private:
    // A name Oracle cannot take spoils only its own key: the statement is recorded as failed.
    template <typename F> void guarded(F build)
    {
        if (!m_current.error.empty())
            return;
        try {
            build();
        } catch (const db::Error &e) {
            m_current.error = e.what();
        }
    }

    std::string columnName(const std::string &column) const
    {
        return quoteOracleName(ApplyNameCase(m_columns.of(column), m_options.uppercaseNames), "column");
    }

    const TableNames &m_names;
    const ConversionOptions &m_options;
    ObjectNamePlanner &m_objects;
    ColumnNames m_columns;
    KeyStatement m_current;
};

// Full-text and spatial keys index what Oracle keeps in large objects or geometries: a plain index
// would be refused, so none is sent and the log says what serves instead.
std::string unbuiltKeyNote(const SourceIndexRow &row, const std::string &expression)
{
    // MySQL 8 indexes expressions as well; an Oracle function-based index would serve, but the
    // expression is MySQL's and not translated.
    if (!expression.empty())
        return "Key " + row.keyName + " indexes the expression " + expression +
               " and is not created: in Oracle a function-based index on the same expression serves it";
    if (row.indexType == "FULLTEXT")
        return "Key " + row.keyName + " is a FULLTEXT key and is not created: in Oracle an Oracle Text index " +
               "(CREATE INDEX ... INDEXTYPE IS CTXSYS.CONTEXT) serves full-text search";
    return "Key " + row.keyName + " is a SPATIAL key and is not created: in Oracle a spatial index " +
           "(INDEXTYPE IS MDSYS.SPATIAL_INDEX) on an SDO_GEOMETRY column serves it";
}

} // namespace

std::vector<KeyStatement> BuildKeyStatements(db::Connection &catalog, const TableNames &names,
                                             const ConversionOptions &options, ObjectNamePlanner &objects,
                                             std::vector<std::string> *notes)
{
    std::vector<KeyStatement> statements;
    const std::vector<SourceIndexRow> rows = ListSourceIndexRows(catalog, names.source);
    std::vector<std::string> listed;
    if (!rows.empty())
        for (const auto &column : ListSourceColumns(catalog, names.source))
            listed.push_back(column.name);
    KeyBuilder builder(names, options, objects, ColumnNames(listed, options.allows.nameBytes));
    std::map<std::string, std::string> expressions; // keys with a part that is an expression, and the first
    for (const auto &row : rows)
        if (!row.expression.empty())
            expressions.emplace(row.keyName, row.expression);
    long long rowNumber = 1;
    bool skipping = false; // the rows of a key Oracle has no plain index for
    for (const SourceIndexRow &row : rows) {
        if (rowNumber > 1 && row.seqInIndex == 1 && builder.pending())
            statements.push_back(builder.finish());
        if (row.seqInIndex == 1) {
            const auto expression = expressions.find(row.keyName);
            skipping = row.indexType == "FULLTEXT" || row.indexType == "SPATIAL" || expression != expressions.end();
            if (skipping) {
                if (notes)
                    notes->push_back(unbuiltKeyNote(row, expression == expressions.end() ? "" : expression->second));
            } else if (row.keyName == "PRIMARY") {
                builder.startPrimary(row.table, rowNumber, row.column);
            } else if (row.unique && options.keepSchema) {
                builder.startUnique(row.keyName, row.column);
            } else {
                builder.startIndex(row.keyName, row.column);
            }
        } else if (row.seqInIndex > 1 && builder.pending() && !skipping) {
            builder.addColumn(row.column);
        }
        ++rowNumber;
    }
    if (builder.pending())
        statements.push_back(builder.finish());
    return statements;
}

KeyResult RunKeyStatements(db::Connection &oracleData, const std::vector<KeyStatement> &statements,
                           const std::function<bool()> &goOn)
{
    KeyResult result;
    for (const auto &statement : statements) {
        if (!statement.error.empty()) {
            result.fail(statement.error);
            result.failures.push_back({statement.name, statement.error, {}});
            continue;
        }
        try {
            oracleData.execute(statement.sql);
        } catch (const db::CancelledError &) {
            result.stopped = true; // a Stop broke it: no refusal of Oracle's
            break;
        } catch (const db::Error &e) {
            result.fail(e);
            result.failures.push_back({statement.name, e.what(), statement.sql});
        }
        if (goOn && !goOn()) {
            result.stopped = true;
            break;
        }
    }
    return result;
}

KeyResult ConvertKeys(db::Connection &oracleData, db::Connection &catalog, const TableNames &names,
                      const ConversionOptions &options, ObjectNamePlanner &objects, const std::function<bool()> &goOn)
{
    std::vector<std::string> notes;
    const auto statements = BuildKeyStatements(catalog, names, options, objects, &notes);
    KeyResult result = RunKeyStatements(oracleData, statements, goOn);
    result.notes = std::move(notes);
    return result;
}

} // namespace convert
