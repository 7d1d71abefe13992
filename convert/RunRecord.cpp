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
}

void RunRecord::named(const std::vector<TableNames> &names)
{
    for (std::size_t i = 0; i < names.size() && i < m_tables.size(); ++i)
        m_tables[i].names = names[i];
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

void TableRecorder::touch() { m_record.seconds = std::chrono::duration<double>(Clock::now() - m_started).count(); }

void TableRecorder::step(const std::string &name, const StepResult &result)
{
    m_record.steps.push_back(
        {name, statusOf(result), result.success ? std::string() : result.message, statementOf(result)});
    touch();
}

void TableRecorder::keys(const KeyResult &result)
{
    // Each refused key with Oracle's reason: the step's own message keeps only the last one.
    std::string message = refusals(result.failures);
    if (message.empty() && !result.success)
        message = result.message;
    m_record.steps.push_back({"keys", statusOf(result), message, statementsOf(result.failures)});
    touch();
}

void TableRecorder::schema(const std::vector<KeyFailure> &failures)
{
    m_record.steps.push_back(
        {"schema", failures.empty() ? "succeeded" : "failed", refusals(failures), statementsOf(failures)});
    touch();
}

void TableRecorder::skipped()
{
    m_record.steps.push_back({"skip", "skipped", "", {}});
    touch();
}

void TableRecorder::rows(const CopyResult &result)
{
    const std::string status = result.stopped ? "stopped" : statusOf(result);
    m_record.steps.push_back({"rows", status, result.success ? std::string() : result.message, statementOf(result)});
    m_record.rowsRead = result.rows;
    m_record.rowsWritten = result.written;
    m_record.rowsRefused = result.rejectedCount;
    m_record.rowsAlreadyThere = result.alreadyThere;
    m_record.refusedRows.clear();
    for (const auto &row : result.rejected)
        m_record.refusedRows.push_back({row.row, row.key, row.message});
    m_record.verification = result.verification;
    if (result.verification)
        m_record.steps.push_back({"verify",
                                  result.verification->match ? "succeeded" : "failed",
                                  result.verification->match ? std::string() : result.verification->difference,
                                  {}});
    touch();
}

void TableRecorder::finish(const std::string &status)
{
    m_record.status = status;
    touch();
}

void TableRecorder::endedByError(const std::string &message)
{
    m_record.status = "ended by error";
    m_record.error = message;
    touch();
}

} // namespace convert
