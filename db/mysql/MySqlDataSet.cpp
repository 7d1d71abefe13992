#include "MySqlDataSet.h"

#include "MySqlError.h"
#include "MySqlLiterals.h"
#include "MySqlSession.h"
#include "MySqlTypes.h"
#include "db/Error.h"
#include "db/Trace.h"

namespace db {

MySqlDataSet::MySqlDataSet(std::shared_ptr<MySqlSession> session) : m_session(std::move(session))
{
    m_session->attach(this);
}

MySqlDataSet::~MySqlDataSet()
{
    releaseResult();
    m_session->detach(this);
}

void MySqlDataSet::open(const std::string &sql, FetchMode mode) { openText(sql, sql, mode); }

void MySqlDataSet::open(const std::string &sql, const std::vector<Value> &values, FetchMode mode)
{
    const char *charset = mysql_character_set_name(m_session->handle());
    openText(placeMySqlValues(sql, values, charset ? charset : "utf8mb4"), sql, mode);
}

void MySqlDataSet::openText(const std::string &sql, const std::string &shown, FetchMode mode)
{
    close();
    MYSQL *mysql = m_session->handle();
    Trace::write("mysql", shown);
    m_session->call([&] {
        const auto began = MySqlClock::now();
        if (mysql_real_query(mysql, sql.data(), sql.size()) != 0)
            throwMySqlError(mysql, shown, began);
        MySqlResult result(mode == FetchMode::Streamed ? mysql_use_result(mysql) : mysql_store_result(mysql));
        if (!result) {
            if (mysql_field_count(mysql) != 0)
                throwMySqlError(mysql, shown, began);
            m_session->discardMoreResults();
            throw Error("The statement returned no result set: " + shown);
        }

        m_mysql = mysql;
        m_result = std::move(result);
        if (mode == FetchMode::Streamed) {
            m_session->holdStatement();
            m_holding = true;
        }
        m_fields = mysql_fetch_fields(m_result.get());
        const unsigned int count = mysql_num_fields(m_result.get());
        m_names.reserve(count);
        for (unsigned int i = 0; i < count; ++i)
            m_names.emplace_back(m_fields[i].name, m_fields[i].name_length);
        try {
            fetch();
        } catch (...) {
            releaseResult();
            throw;
        }
    });
}

void MySqlDataSet::close() { releaseResult(); }

void MySqlDataSet::releaseResult() noexcept
{
    if (!m_result)
        return;
    m_row = nullptr;
    m_lengths = nullptr;
    m_fields = nullptr;
    m_names.clear();
    // Freeing a streamed result reads the rest of it off the wire, which may take a while: the
    // statement stays under way, for a Stop to end, until the session is free again.
    m_result.reset();
    m_session->discardMoreResults();
    m_mysql = nullptr;
    if (m_holding) {
        m_holding = false;
        m_session->releaseStatement();
    }
}

void MySqlDataSet::next()
{
    if (!isOpen() || eof())
        return;
    m_session->call([&] { fetch(); });
}

void MySqlDataSet::fetch()
{
    const auto began = MySqlClock::now();
    m_row = mysql_fetch_row(m_result.get());
    if (m_row) {
        m_lengths = mysql_fetch_lengths(m_result.get());
        return;
    }
    m_lengths = nullptr;
    // The end of a streamed result and a broken read look alike; only the error number tells.
    if (mysql_errno(m_mysql) != 0)
        throwMySqlError(m_mysql, {}, began);
    // All its rows are here: the server has nothing left to do for the statement, and a cancel nothing
    // to end.
    if (m_holding) {
        m_holding = false;
        m_session->releaseStatement();
    }
}

void MySqlDataSet::checkIndex(int index) const
{
    if (!isOpen())
        throw Error("The data set is not open");
    if (index < 0 || index >= fieldCount())
        throw Error("Field index " + std::to_string(index) + " out of range (the result has " +
                    std::to_string(fieldCount()) + " fields)");
}

const std::string &MySqlDataSet::fieldName(int index) const
{
    checkIndex(index);
    return m_names[static_cast<std::size_t>(index)];
}

Value MySqlDataSet::value(int index) const
{
    checkIndex(index);
    if (eof())
        throw Error("The data set has no current row");
    const auto i = static_cast<std::size_t>(index);
    return makeValue(m_fields[i], m_row[i], m_lengths[i]);
}

void MySqlDataSet::read(int index, Value &into) const
{
    checkIndex(index);
    if (eof())
        throw Error("The data set has no current row");
    const auto i = static_cast<std::size_t>(index);
    if (!m_row[i]) {
        into.kind = ValueKind::Null;
        into.data.clear();
        return;
    }
    into.kind = valueKindOf(m_fields[i]);
    into.data.assign(m_row[i], m_lengths[i]);
}

DataSet::FieldView MySqlDataSet::field(int index) const
{
    checkIndex(index);
    if (eof())
        throw Error("The data set has no current row");
    const auto i = static_cast<std::size_t>(index);
    if (!m_row[i])
        return {};
    // The bytes stay in the client library's row buffer until the next fetch.
    return {valueKindOf(m_fields[i]), std::string_view(m_row[i], m_lengths[i])};
}

void MySqlDataSet::execute(const std::string &sql)
{
    // A data set given a new statement lets go of its old result first, as open() does.
    close();
    m_session->execute(sql);
}

} // namespace db
