#pragma once

#include "ConversionOptions.h"
#include "LogSink.h"
#include "ReferencingKeys.h"
#include "RunPlan.h"
#include "RunRecord.h"

#include "db/Error.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace convert {

struct RunConnections;

// A lost session that a step has already reported in the table's log: it ends the run.
class LoggedSessionLoss : public db::ConnectionLostError {
public:
    using db::ConnectionLostError::ConnectionLostError;
};

// Everything one table's conversion works with. The sessions are its worker's, the log and the record
// the table's own; the plan is shared by the run's workers (its name planner guards itself).
struct TableContext {
    std::size_t index = 0; // in the selection
    RunConnections &connections;
    const ConversionOptions &options;
    RunPlan &plan;
    LogSink &log;
    TableRecorder record;
    // A progress point: the table's rows so far and what it is at; false once the run is to stop.
    std::function<bool(std::size_t rows, const char *step)> goOn;
};

// What converting one table came to, for the run to count and to finish after every table is done.
struct TableOutcome {
    bool finished = false; // false: a stop ended it part way
    bool failed = false;
    std::size_t rejectedRows = 0;
    bool made = false;      // the run made the table: its foreign keys come at the end
    bool continued = false; // kept from an earlier run and resumed: the foreign keys it lacks come at the end
    // Foreign keys of other tables that pointed at it before it was replaced, to make again at the end.
    std::vector<ReferencingKey> referencing;
};

// One table's steps in order: the existence test and the policy, the drop (only once its MySQL side is
// read), the create and its keys, the rows, and the rest of its schema after them; a resumed table gets
// what an earlier run did not make. Each step's errors go to the log and the record. Throws what ends the
// run: the existence query failed, or a session is lost (LoggedSessionLoss once the log says so).
TableOutcome ConvertTable(TableContext &context, const TablePlan &table);

} // namespace convert
