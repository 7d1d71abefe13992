#include "RunRecord.h"

#include "KeyConversion.h"
#include "RowCopy.h"

namespace convert {

namespace {

std::string statusOf(const StepResult &result) { return result.success ? "succeeded" : "failed"; }

// Each refused statement with Oracle's reason, one per line.
std::string refusals(const std::vector<KeyFailure> &failures)
{
    std::string message;
    for (const auto &failure : failures)
        message += (message.empty() ? "" : "\n") + failure.name + ": " + failure.message;
    return message;
}

std::vector<std::string> statementsOf(const std::vector<KeyFailure> &failures)
{
    std::vector<std::string> statements;
    for (const auto &failure : failures)
        if (!failure.statement.empty())
            statements.push_back(failure.statement);
    return statements;
}

std::vector<std::string> statementOf(const StepResult &result)
{
    if (result.success || result.statement.empty())
        return {};
    return {result.statement};
}

} // namespace

void RunRecord::selected(const std::vector<std::string> &tables)
{
    m_tables.clear();
    m_runSteps.clear();
    for (const auto &table : tables) {
        TableRecord record;
        record.names.source = table;
        m_tables.push_back(std::move(record));
    }
    m_open = false;
}

void RunRecord::named(const std::vector<TableNames> &names)
{
    for (std::size_t i = 0; i < names.size() && i < m_tables.size(); ++i)
        m_tables[i].names = names[i];
}

void RunRecord::startTable(std::size_t index)
{
    m_current = index;
    m_open = index < m_tables.size();
    m_started = Clock::now();
}

TableRecord *RunRecord::current() { return m_open ? &m_tables[m_current] : nullptr; }

void RunRecord::touch()
{
    if (TableRecord *table = current())
        table->seconds = std::chrono::duration<double>(Clock::now() - m_started).count();
}

void RunRecord::step(const std::string &name, const StepResult &result)
{
    if (TableRecord *table = current())
        table->steps.push_back(
            {name, statusOf(result), result.success ? std::string() : result.message, statementOf(result)});
    touch();
}

void RunRecord::keys(const KeyResult &result)
{
    TableRecord *table = current();
    if (!table)
        return;
    // Each refused key with Oracle's reason: the step's own message keeps only the last one.
    std::string message = refusals(result.failures);
    if (message.empty() && !result.success)
        message = result.message;
    table->steps.push_back({"keys", statusOf(result), message, statementsOf(result.failures)});
    touch();
}

void RunRecord::schema(const std::vector<KeyFailure> &failures)
{
    if (TableRecord *table = current())
        table->steps.push_back(
            {"schema", failures.empty() ? "succeeded" : "failed", refusals(failures), statementsOf(failures)});
    touch();
}

void RunRecord::foreignKeys(const std::vector<KeyFailure> &failures)
{
    m_runSteps.push_back(
        {"foreignKeys", failures.empty() ? "succeeded" : "failed", refusals(failures), statementsOf(failures)});
}

void RunRecord::failTable(std::size_t index, const std::string &step, const std::vector<KeyFailure> &failures)
{
    if (index >= m_tables.size())
        return;
    m_tables[index].steps.push_back({step, "failed", refusals(failures), statementsOf(failures)});
    m_tables[index].status = "failed";
}

void RunRecord::skipped()
{
    if (TableRecord *table = current())
        table->steps.push_back({"skip", "skipped", "", {}});
    touch();
}

void RunRecord::rows(const CopyResult &result)
{
    TableRecord *table = current();
    if (!table)
        return;
    const std::string status = result.stopped ? "stopped" : statusOf(result);
    table->steps.push_back({"rows", status, result.success ? std::string() : result.message, statementOf(result)});
    table->rowsRead = result.rows;
    table->rowsWritten = result.written;
    table->rowsRefused = result.rejectedCount;
    table->rowsAlreadyThere = result.alreadyThere;
    table->refusedRows.clear();
    for (const auto &row : result.rejected)
        table->refusedRows.push_back({row.row, row.key, row.message});
    table->verification = result.verification;
    if (result.verification)
        table->steps.push_back({"verify",
                                result.verification->match ? "succeeded" : "failed",
                                result.verification->match ? std::string() : result.verification->difference,
                                {}});
    touch();
}

void RunRecord::finishTable(const std::string &status)
{
    if (TableRecord *table = current())
        table->status = status;
    touch();
    m_open = false;
}

void RunRecord::endedByError(const std::string &message)
{
    if (TableRecord *table = current()) {
        table->status = "ended by error";
        table->error = message;
    }
    touch();
    m_open = false;
}

} // namespace convert
