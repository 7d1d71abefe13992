#include "MySqlStatement.h"

#include "MySqlError.h"
#include "MySqlResult.h"
#include "MySqlTypes.h"
#include "db/Error.h"
#include "db/Trace.h"

#include <charconv>
#include <cstring>

namespace db {

namespace {

// What one parameter is sent as. Whole numbers go as integers so that comparisons with integer columns
// stay exact; everything else goes as the text it already is and the server converts it.
struct Parameter {
    enum_field_types type = MYSQL_TYPE_NULL;
    long long integer = 0;
    bool isUnsigned = false;
};

Parameter describe(const Value &value)
{
    Parameter p;
    switch (value.kind) {
    case ValueKind::Null:
        p.type = MYSQL_TYPE_NULL;
        break;
    case ValueKind::Binary:
        p.type = MYSQL_TYPE_BLOB;
        break;
    case ValueKind::Integer: {
        const char *first = value.data.data();
        const char *last = first + value.data.size();
        auto whole = [last](std::from_chars_result r) { return r.ec == std::errc() && r.ptr == last; };
        if (whole(std::from_chars(first, last, p.integer))) {
            p.type = MYSQL_TYPE_LONGLONG;
            break;
        }
        unsigned long long u = 0;
        if (whole(std::from_chars(first, last, u))) {
            std::memcpy(&p.integer, &u, sizeof u);
            p.isUnsigned = true;
            p.type = MYSQL_TYPE_LONGLONG;
            break;
        }
        p.type = MYSQL_TYPE_STRING;
        break;
    }
    case ValueKind::Decimal:
        p.type = MYSQL_TYPE_NEWDECIMAL;
        break;
    default:
        p.type = MYSQL_TYPE_STRING;
        break;
    }
    return p;
}

// The binary protocol hands floats over as IEEE values, not text; the shortest text that reads back
// to the same value is the exact one, and the float width is kept so 1.1 stays "1.1".
template <typename T> std::string floatText(T v)
{
    char buffer[64];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, v);
    return ec == std::errc() ? std::string(buffer, end) : std::string();
}

} // namespace

MySqlStatement::MySqlStatement(MYSQL *mysql, const std::string &sql) : m_statement(mysql_stmt_init(mysql))
{
    if (!m_statement)
        throwMySqlError(mysql);
    if (Trace::enabled())
        Trace::write("mysql", "prepare " + sql);
    if (mysql_stmt_prepare(m_statement.get(), sql.data(), sql.size()) != 0)
        throwMySqlError(m_statement.get());
}

std::vector<Row> MySqlStatement::run(const std::vector<Value> &binds)
{
    MYSQL_STMT *statement = m_statement.get();
    const unsigned long expected = mysql_stmt_param_count(statement);
    if (expected != binds.size())
        throw Error("The statement has " + std::to_string(expected) + " parameter markers but " +
                    std::to_string(binds.size()) + " values were given");

    std::vector<Parameter> parameters;
    std::vector<MYSQL_BIND> bind(binds.size());
    std::vector<unsigned long> lengths(binds.size());
    parameters.reserve(binds.size());
    for (std::size_t i = 0; i < binds.size(); ++i) {
        parameters.push_back(describe(binds[i]));
        Parameter &p = parameters.back();
        MYSQL_BIND &b = bind[i];
        std::memset(&b, 0, sizeof b);
        b.buffer_type = p.type;
        if (p.type == MYSQL_TYPE_LONGLONG) {
            b.buffer = &p.integer;
            b.is_unsigned = p.isUnsigned;
        } else if (p.type != MYSQL_TYPE_NULL) {
            // The server only reads the buffer; the API just lacks const.
            b.buffer = const_cast<char *>(binds[i].data.data());
            lengths[i] = binds[i].data.size();
            b.buffer_length = lengths[i];
            b.length = &lengths[i];
        }
    }
    if (!bind.empty() && mysql_stmt_bind_param(statement, bind.data()) != 0)
        throwMySqlError(statement);
    const auto began = MySqlClock::now();
    if (mysql_stmt_execute(statement) != 0)
        throwMySqlError(statement, began);
    // Further results (a procedure's status) go when the statement is closed.
    return readRows();
}

std::vector<Row> MySqlStatement::readRows()
{
    MYSQL_STMT *statement = m_statement.get();
    MySqlResult metadata(mysql_stmt_result_metadata(statement));
    if (!metadata)
        return {};
    const auto began = MySqlClock::now();
    if (mysql_stmt_store_result(statement) != 0)
        throwMySqlError(statement, began);

    const unsigned int count = mysql_num_fields(metadata.get());
    const MYSQL_FIELD *fields = mysql_fetch_fields(metadata.get());

    // Every column arrives as text (the client converts numbers and dates exactly), except floats,
    // which arrive as their binary value.
    struct Column {
        std::string text;
        double number = 0;
        float single = 0;
        unsigned long length = 0;
        my_bool isNull = 0;
        my_bool truncated = 0;
    };
    std::vector<Column> columns(count);
    std::vector<MYSQL_BIND> bind(count);
    for (unsigned int i = 0; i < count; ++i) {
        MYSQL_BIND &b = bind[i];
        Column &c = columns[i];
        std::memset(&b, 0, sizeof b);
        b.length = &c.length;
        b.is_null = &c.isNull;
        b.error = &c.truncated;
        if (fields[i].type == MYSQL_TYPE_DOUBLE) {
            b.buffer_type = MYSQL_TYPE_DOUBLE;
            b.buffer = &c.number;
        } else if (fields[i].type == MYSQL_TYPE_FLOAT) {
            b.buffer_type = MYSQL_TYPE_FLOAT;
            b.buffer = &c.single;
        } else {
            c.text.resize(64);
            b.buffer_type = MYSQL_TYPE_STRING;
            b.buffer = c.text.data();
            b.buffer_length = c.text.size();
        }
    }
    if (count > 0 && mysql_stmt_bind_result(statement, bind.data()) != 0)
        throwMySqlError(statement);

    std::vector<Row> rows;
    for (;;) {
        const int status = mysql_stmt_fetch(statement);
        if (status == MYSQL_NO_DATA)
            break;
        if (status == 1)
            throwMySqlError(statement);
        Row row;
        row.reserve(count);
        for (unsigned int i = 0; i < count; ++i) {
            Column &c = columns[i];
            if (c.isNull) {
                row.push_back(Value::null());
                continue;
            }
            const ValueKind kind = valueKindOf(fields[i]);
            if (fields[i].type == MYSQL_TYPE_DOUBLE) {
                row.push_back(Value::of(kind, floatText(c.number)));
                continue;
            }
            if (fields[i].type == MYSQL_TYPE_FLOAT) {
                row.push_back(Value::of(kind, floatText(c.single)));
                continue;
            }
            if (c.length > c.text.size()) {
                // Longer than the buffer: fetch this column again into one of the right size.
                std::string whole(c.length, '\0');
                MYSQL_BIND again = bind[i];
                again.buffer = whole.data();
                again.buffer_length = whole.size();
                if (mysql_stmt_fetch_column(statement, &again, i, 0) != 0)
                    throwMySqlError(statement);
                row.push_back(Value::of(kind, std::move(whole)));
                continue;
            }
            row.push_back(Value::of(kind, c.text.substr(0, c.length)));
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

} // namespace db
