#pragma once

#include "MySqlResult.h"
#include "db/DataSet.h"

#include <mysql.h>

#include <memory>
#include <string>
#include <vector>

namespace db {

class MySqlSession;

// A query on a MySQL connection's current session. Buffered results are held whole by the client;
// streamed ones are read a row at a time and keep the session busy until they are read to the end or
// closed (closing reads off the rest, so the session stays usable). A streamed statement counts as
// under way all that time, so a cancel of the connection ends it: the next fetch, or the close, then
// finds it ended. Threads: the connection's.
class MySqlDataSet final : public DataSet {
public:
    explicit MySqlDataSet(std::shared_ptr<MySqlSession> session);
    ~MySqlDataSet() override;
    MySqlDataSet(const MySqlDataSet &) = delete;
    MySqlDataSet &operator=(const MySqlDataSet &) = delete;

    void open(const std::string &sql, FetchMode mode = FetchMode::Buffered) override;
    // The values are written into the statement as literals (the text protocol has no parameters);
    // the trace and errors get the statement with its markers.
    void open(const std::string &sql, const std::vector<Value> &values, FetchMode mode) override;
    void close() override;
    bool isOpen() const override { return m_result != nullptr; }
    bool eof() const override { return m_row == nullptr; }
    void next() override;

    int fieldCount() const override { return static_cast<int>(m_names.size()); }
    const std::string &fieldName(int index) const override;
    Value value(int index) const override;
    void read(int index, Value &into) const override;
    FieldView field(int index) const override;
    using DataSet::value;

    void execute(const std::string &sql) override;

    // Called by the session before it closes.
    void releaseResult() noexcept;

private:
    // Sends `sql`; `shown` is what diagnostics see of it.
    void openText(const std::string &sql, const std::string &shown, FetchMode mode);
    void fetch();
    void checkIndex(int index) const;

    std::shared_ptr<MySqlSession> m_session;
    MySqlResult m_result;
    MYSQL *m_mysql = nullptr; // the session handle the result came from
    const MYSQL_FIELD *m_fields = nullptr;
    std::vector<std::string> m_names;
    MYSQL_ROW m_row = nullptr;
    const unsigned long *m_lengths = nullptr;
    bool m_holding = false; // a streamed result keeps the session's statement under way
};

} // namespace db
