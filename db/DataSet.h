#pragma once

#include "Value.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace db {

// How a query's rows come to the client: all at once (the result is held whole, counts are cheap), or
// streamed row by row so that memory holds one row at a time.
enum class FetchMode { Buffered, Streamed };

// A query (or statement) bound to one connection. open() positions on the first row; eof() tells when
// the rows are done. Fields are found by name without regard to ASCII case.
// Threads: its connection's (see Connection); Connection::cancel() breaks its calls too.
class DataSet {
public:
    virtual ~DataSet() = default;

    virtual void open(const std::string &sql, FetchMode mode = FetchMode::Buffered) = 0;
    // The same for a query that carries values of rows: each "?" marker stands for the next of
    // `values`. Diagnostics (the trace, an error's statement) see the statement with its markers,
    // never the values.
    virtual void open(const std::string &sql, const std::vector<Value> &values, FetchMode mode) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual bool eof() const = 0;
    virtual void next() = 0;

    virtual int fieldCount() const = 0;
    virtual const std::string &fieldName(int index) const = 0;
    virtual Value value(int index) const = 0;
    // The same into a value the caller keeps, reusing its storage: for rows read by the million, or
    // holding large objects, where a new string per value would cost an allocation each.
    virtual void read(int index, Value &into) const { into = value(index); }
    // A field of the current row where the data set holds it, valid until the row moves on: a large
    // object passed on from here is never copied. The data is empty for NULL.
    struct FieldView {
        ValueKind kind = ValueKind::Null;
        std::string_view data;
    };
    virtual FieldView field(int index) const = 0;

    // Runs a statement that returns no rows on this data set's connection.
    virtual void execute(const std::string &sql) = 0;

    // Index of the named field; throws db::Error "Field '<name>' not found".
    int fieldIndex(std::string_view name) const;
    Value value(std::string_view name) const { return value(fieldIndex(name)); }
    std::string text(int index) const { return value(index).data; }
    std::string text(std::string_view name) const { return value(name).data; }
    std::int64_t integer(int index) const { return value(index).toInteger(); }
    std::int64_t integer(std::string_view name) const { return value(name).toInteger(); }
};

} // namespace db
