#pragma once

#include "OraError.h"

#include <cstddef>
#include <optional>

namespace oraclesim {

// Test and benchmark knobs, read from the environment at logon (see README.md).
struct SimConfig {
    long failExecuteAt = 0;            // ORACLE_SIM_FAIL_EXECUTE="N:ORA-nnnnn: text"
    std::optional<OraError> failError;
    long dropAfter = 0; // ORACLE_SIM_DROP_AFTER=N[:ORA-nnnnn: text]
    std::optional<OraError> dropError;
    long loseCommitAt = 0;             // ORACLE_SIM_LOSE_COMMIT=N (of the session)
    double delayMs = 0;                // ORACLE_SIM_DELAY_MS=d
    double ddlDelayMs = 0;             // ORACLE_SIM_DDL_DELAY_MS=d, on top of the round trip
    double dmlDelayMs = 0;             // ORACLE_SIM_DML_DELAY_MS=d, on top of the round trip
    std::size_t maxIdentifier = 30;    // ORACLE_SIM_MAX_IDENTIFIER=128
    int lockTimeoutMs = 5000;          // ORACLE_SIM_LOCK_TIMEOUT_MS

    static SimConfig fromEnvironment();
    // The process-wide number of this OCIStmtExecute call, counting from 1.
    static long nextExecuteNumber();
};

} // namespace oraclesim
