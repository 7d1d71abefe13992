#include "SequenceStore.h"

#include "OraError.h"
#include "SqliteStatement.h"

namespace oraclesim {

namespace {

const char *const maxDigits = "9999999999999999999999999999"; // NOMAXVALUE, 28 nines

SequenceStore::Row readRow(const SqliteStatement &st)
{
    SequenceStore::Row r;
    r.name = st.text(0);
    r.next = st.integer(1);
    r.highWater = st.integer(2);
    r.start = st.integer(3);
    r.increment = st.integer(4);
    if (!st.isNull(5))
        r.minValue = st.integer(5);
    if (!st.isNull(6))
        r.maxValue = st.integer(6);
    r.cache = st.integer(7);
    r.cycle = st.integer(8) != 0;
    r.order = st.integer(9) != 0;
    r.tableId = st.isNull(10) ? 0 : st.integer(10);
    return r;
}

const char *const selectColumns = "SELECT name, next_value, high_water, start_value, increment, min_value, max_value, "
                                  "cache, cycle, order_flag, table_id FROM sim_sequences ";

} // namespace

std::int64_t SequenceStore::minValueOf(const Row &row)
{
    // NOMINVALUE: 1 going up; going down, -(10^27 - 1), which no int64 holds, so the lowest it has.
    return row.minValue ? *row.minValue : (row.increment > 0 ? 1 : INT64_MIN);
}

std::string SequenceStore::minValueText(const Row &row)
{
    if (row.minValue)
        return std::to_string(*row.minValue);
    return row.increment > 0 ? "1" : "-999999999999999999999999999";
}

std::string SequenceStore::maxValueText(const Row &row)
{
    if (row.maxValue)
        return std::to_string(*row.maxValue);
    return row.increment > 0 ? maxDigits : "-1";
}

void SequenceStore::create(sqlite3 *db, const std::string &owner, const std::string &name,
                           const SequenceOptions &options, std::int64_t tableId)
{
    Row r;
    r.increment = options.incrementBy;
    r.minValue = options.minValue;
    r.maxValue = options.maxValue;
    // START WITH defaults to MINVALUE going up and MAXVALUE going down.
    std::int64_t start = options.startWith.value_or(options.incrementBy > 0 ? options.minValue.value_or(1)
                                                                            : options.maxValue.value_or(-1));
    if (r.minValue && r.maxValue && *r.minValue >= *r.maxValue)
        throw OraError::of(4004);
    if (r.minValue && start < *r.minValue)
        throw OraError::of(4006);
    if (r.maxValue && start > *r.maxValue)
        throw OraError::of(4008);
    SqliteStatement st(db, "INSERT INTO sim_sequences(owner, name, next_value, high_water, start_value, increment, "
                           "min_value, max_value, cache, cycle, order_flag, table_id) "
                           "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    st.bind(1, owner).bind(2, name).bind(3, start).bind(4, start).bind(5, start).bind(6, options.incrementBy);
    if (options.minValue)
        st.bind(7, *options.minValue);
    else
        st.bindNull(7);
    if (options.maxValue)
        st.bind(8, *options.maxValue);
    else
        st.bindNull(8);
    st.bind(9, options.cache).bind(10, static_cast<std::int64_t>(options.cycle));
    st.bind(11, static_cast<std::int64_t>(options.order));
    if (tableId)
        st.bind(12, tableId);
    else
        st.bindNull(12);
    st.step();
}

std::optional<SequenceStore::Row> SequenceStore::find(sqlite3 *db, const std::string &owner, const std::string &name)
{
    SqliteStatement st(db, std::string(selectColumns) + "WHERE owner = ? AND name = ?");
    st.bind(1, owner).bind(2, name);
    if (!st.step())
        return std::nullopt;
    return readRow(st);
}

std::vector<SequenceStore::Row> SequenceStore::list(sqlite3 *db, const std::string &owner)
{
    std::vector<Row> rows;
    SqliteStatement st(db, std::string(selectColumns) + "WHERE owner = ? ORDER BY name");
    st.bind(1, owner);
    while (st.step())
        rows.push_back(readRow(st));
    return rows;
}

void SequenceStore::drop(sqlite3 *db, const std::string &owner, const std::string &name)
{
    auto row = find(db, owner, name);
    if (!row)
        throw OraError::of(2289);
    if (row->tableId) // UNVERIFIED: the error for dropping an identity column's sequence
        throw OraError::of(32794);
    SqliteStatement st(db, "DELETE FROM sim_sequences WHERE owner = ? AND name = ?");
    st.bind(1, owner).bind(2, name);
    st.step();
}

void SequenceStore::dropForTable(sqlite3 *db, std::int64_t tableId)
{
    SqliteStatement st(db, "DELETE FROM sim_sequences WHERE table_id = ?");
    st.bind(1, tableId);
    st.step();
}

std::int64_t SequenceStore::next(sqlite3 *db, const std::string &owner, const std::string &name)
{
    auto row = find(db, owner, name);
    if (!row)
        throw OraError::of(2289);
    std::int64_t value = row->next;
    const bool up = row->increment > 0;
    if (up ? (row->maxValue && value > *row->maxValue) : value < minValueOf(*row)) {
        if (!row->cycle)
            throw up ? OraError::of(8004, name, "exceeds", "MAX") : OraError::of(8004, name, "goes below", "MIN");
        value = up ? minValueOf(*row) : row->maxValue.value_or(-1);
        row->highWater = value;
    }
    // A new cache starts where the last one ended: LAST_NUMBER moves by CACHE_SIZE numbers at once.
    std::int64_t step = row->increment * (row->cache > 0 ? row->cache : 1);
    std::int64_t highWater = (up ? value >= row->highWater : value <= row->highWater) ? value + step : row->highWater;
    SqliteStatement st(db, "UPDATE sim_sequences SET next_value = ?, high_water = ? WHERE owner = ? AND name = ?");
    st.bind(1, value + row->increment).bind(2, highWater).bind(3, owner).bind(4, name);
    st.step();
    return value;
}

void SequenceStore::restart(sqlite3 *db, const std::string &owner, const std::string &name, std::int64_t value)
{
    SqliteStatement st(db, "UPDATE sim_sequences SET next_value = ?1, high_water = ?1 WHERE owner = ?2 AND name = ?3");
    st.bind(1, value).bind(2, owner).bind(3, name);
    st.step();
}

} // namespace oraclesim
