#include "RunStatus.h"

#include <algorithm>
#include <cstdio>

namespace convert {

namespace {
// The rate is taken over stretches of this length, so it follows the run rather than its start.
constexpr std::chrono::seconds kRateStretch{2};

std::string percent(std::size_t done, std::size_t of)
{
    return of == 0 ? std::string("100%") : std::to_string(std::min<std::size_t>(100, done * 100 / of)) + "%";
}
} // namespace

std::string groupedNumber(std::size_t number)
{
    const std::string digits = std::to_string(number);
    std::string grouped;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            grouped += ',';
        grouped += digits[i];
    }
    return grouped;
}

std::string clockTime(std::chrono::seconds duration)
{
    const long long total = std::max<long long>(0, duration.count());
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", total / 3600, total / 60 % 60, total % 60);
    return text;
}

void RunStatus::start(Clock::time_point now)
{
    *this = RunStatus();
    m_started = m_rateSince = now;
}

void RunStatus::update(const Progress &progress, Clock::time_point now)
{
    if (m_started == Clock::time_point{})
        start(now);
    m_tables = progress.tables;
    m_finished = progress.tablesFinished;
    if (progress.runRowsExpected)
        m_runExpected = progress.runRowsExpected;
    if (progress.step != "planning" && progress.step != "foreign keys") {
        Table &table = m_seen[progress.table];
        table.name = progress.name;
        table.rows = std::max(table.rows, progress.rows);
        if (progress.rowsExpected)
            table.expected = progress.rowsExpected;
        table.finished = table.finished || progress.step == "finished";
    }
    m_step = progress.step;
    const auto stretch = now - m_rateSince;
    const std::size_t done = rowsDone();
    if (stretch >= kRateStretch) {
        m_rate =
            static_cast<double>(done - std::min(done, m_rateRows)) / std::chrono::duration<double>(stretch).count();
        m_rateRows = done;
        m_rateSince = now;
    } else if (m_rate == 0 && now > m_started) {
        m_rate = static_cast<double>(done) / std::chrono::duration<double>(now - m_started).count();
    }
}

std::size_t RunStatus::rowsDone() const
{
    std::size_t rows = 0;
    for (const auto &[position, table] : m_seen)
        rows += table.rows;
    return rows;
}

std::optional<std::size_t> RunStatus::rowsLeft() const
{
    if (!m_runExpected)
        return std::nullopt;
    if (allFinished())
        return 0;
    std::size_t seenFigures = 0, seenLeft = 0;
    for (const auto &[position, table] : m_seen) {
        const std::size_t figure = table.expected.value_or(table.rows);
        seenFigures += figure;
        if (!table.finished && figure > table.rows)
            seenLeft += figure - table.rows;
    }
    const std::size_t unseen = *m_runExpected > seenFigures ? *m_runExpected - seenFigures : 0;
    return unseen + seenLeft;
}

std::string RunStatus::line(Clock::time_point now) const
{
    if (m_step == "planning")
        return "Settling the Oracle names of " + std::to_string(m_tables) + " tables";
    std::string places;
    const Table *only = nullptr;
    std::size_t underWay = 0;
    for (const auto &[position, table] : m_seen) {
        if (table.finished)
            continue;
        places += (places.empty() ? "" : ", ") + std::to_string(position + 1);
        only = &table;
        ++underWay;
    }
    std::string text;
    if (m_step == "foreign keys")
        text = "Foreign keys of " + std::to_string(m_tables) + " tables";
    else if (underWay == 1)
        text = "Table " + places + " of " + std::to_string(m_tables) + ", " + only->name + ": " +
               groupedNumber(only->rows) +
               (only->expected
                    ? " of " + groupedNumber(*only->expected) + " rows (" + percent(only->rows, *only->expected) + ")"
                    : std::string(" rows"));
    else if (underWay > 1) {
        const std::optional<std::size_t> left = rowsLeft();
        text = "Tables " + places + " of " + std::to_string(m_tables) + ": " + groupedNumber(rowsDone()) +
               (left ? " of " + groupedNumber(rowsDone() + *left) + " rows (" +
                           percent(rowsDone(), rowsDone() + *left) + ")"
                     : std::string(" rows"));
    } else {
        text = std::to_string(m_finished) + " of " + std::to_string(m_tables) + " tables done";
    }
    // Once every table is done, the rate of the whole run: the last stretch may have held only the
    // closing steps.
    const double seconds = std::chrono::duration<double>(now - m_started).count();
    const double rate = allFinished() && seconds > 0 ? static_cast<double>(rowsDone()) / seconds : m_rate;
    text += ", " + groupedNumber(static_cast<std::size_t>(rate + 0.5)) + " rows/s";
    const auto spent = std::chrono::duration_cast<std::chrono::seconds>(now - m_started);
    text += ", " + clockTime(spent) + " spent";
    const std::optional<std::size_t> left = rowsLeft();
    if (left && *left > 0 && m_rate > 0) {
        const double leftSeconds = static_cast<double>(*left) / m_rate;
        text += ", about " + clockTime(std::chrono::seconds(static_cast<long long>(leftSeconds + 0.5))) + " left";
    }
    return text;
}

int RunStatus::permille() const
{
    if (allFinished())
        return 1000;
    const std::optional<std::size_t> left = rowsLeft();
    if (left && rowsDone() + *left > 0)
        return static_cast<int>(std::min<std::size_t>(1000, rowsDone() * 1000 / (rowsDone() + *left)));
    return m_tables == 0 ? 0 : static_cast<int>(m_finished * 1000 / m_tables);
}

} // namespace convert
