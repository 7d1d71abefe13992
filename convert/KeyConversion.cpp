#include "KeyConversion.h"

#include "NameRules.h"
#include "SourceListing.h"

#include "db/Connection.h"
#include "db/Error.h"

namespace convert {

namespace {

// Every Oracle name in a key statement is formed exactly as the create step formed the table's names:
// cut to Oracle's limit, then cased, then double-quoted, so the statement names what was created.
std::string oracleName(const std::string &raw, const ConversionOptions &options)
{
    return ApplyNameCase(cutToBytes(raw), options.uppercaseNames);
}

class KeyBuilder {
public:
    KeyBuilder(const TableNames &names, const ConversionOptions &options) : m_names(names), m_options(options) {}

    void startPrimary(const std::string &table, long long rowNumber, const std::string &column)
    {
        m_current.name = oracleName("PRIMARY" + table + std::to_string(rowNumber), m_options);
        guarded([&] {
            m_current.sql = "alter table " + quoteOracleName(m_names.target) + "  add constraint " +
                            quoteOracleName(m_current.name, "constraint") + " primary key (" + columnName(column);
        });
    }

    void startIndex(const std::string &keyName, const std::string &column)
    {
        m_current.name = oracleName("idx_" + keyName + m_names.working, m_options);
        guarded([&] {
            m_current.sql = "create index " + quoteOracleName(m_current.name, "index") + " on " +
                            quoteOracleName(m_names.target) + " (" + columnName(column);
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
        return quoteOracleName(oracleName(column, m_options), "column");
    }

    const TableNames &m_names;
    const ConversionOptions &m_options;
    KeyStatement m_current;
};

} // namespace

std::vector<KeyStatement> BuildKeyStatements(db::Connection &catalog, const TableNames &names,
                                             const ConversionOptions &options)
{
    std::vector<KeyStatement> statements;
    KeyBuilder builder(names, options);
    long long rowNumber = 1;
    for (const SourceIndexRow &row : ListSourceIndexRows(catalog, names.source)) {
        if (rowNumber > 1 && row.seqInIndex == 1 && builder.pending())
            statements.push_back(builder.finish());
        if (row.seqInIndex == 1) {
            if (row.keyName == "PRIMARY")
                builder.startPrimary(row.table, rowNumber, row.column);
            else
                builder.startIndex(row.keyName, row.column);
        } else if (row.seqInIndex > 1 && builder.pending()) {
            builder.addColumn(row.column);
        }
        ++rowNumber;
    }
    if (builder.pending())
        statements.push_back(builder.finish());
    return statements;
}

KeyResult ConvertKeys(db::Connection &oracleData, db::Connection &catalog, const TableNames &names,
                      const ConversionOptions &options)
{
    KeyResult result;
    for (const auto &statement : BuildKeyStatements(catalog, names, options)) {
        if (!statement.error.empty()) {
            result.fail(statement.error);
            result.failures.push_back({statement.name, statement.error});
            continue;
        }
        try {
            oracleData.execute(statement.sql);
        } catch (const db::Error &e) {
            result.fail(e.what());
            result.failures.push_back({statement.name, e.what()});
        }
    }
    return result;
}

} // namespace convert
