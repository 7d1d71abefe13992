#pragma once

#include <cstddef>
#include <string>

namespace convert {

// What the Oracle server and user allow, settled when a run or a check begins: not a choice of the
// user's, but the same for every step of the run.
struct OracleAllows {
    std::size_t nameBytes = 30; // the longest name given to a table, column, key or constraint
    bool identities = true;     // identity columns: the user may create the sequence behind one
};

// The item index of the "How to process existing tables:" radio group.
enum class ExistingTablePolicy { Overwrite = 0, Merge = 1, Skip = 2 };

// The page-4 options that steer a run, taken once when the run starts.
struct ConversionOptions {
    ExistingTablePolicy policy = ExistingTablePolicy::Overwrite;
    bool definitionsOnly = false;
    bool skipIndexes = false; // also skips the primary key
    bool uppercaseNames = true;
    bool blobToText = false;
    // After each table's copy, read it back from Oracle and compare it with what was read from MySQL.
    bool verify = false;
    // A table Oracle already holds is kept and its copy continues after the largest key there, as the
    // Merge policy does for a table with a key of numbers or dates; a table that cannot continue fails.
    bool resume = false;
    // NOT NULL, defaults, unique keys, identity columns, foreign keys, CHECK constraints and comments are
    // carried to Oracle as well.
    bool keepSchema = false;
    // Names up to 128 bytes where the Oracle server takes them (12.2 and later), instead of 30.
    bool longNames = false;
    // Tables copied at once, each by a worker with its own sessions of both servers: 1 to kMaxJobs.
    int jobs = 1;
    static constexpr int kMaxJobs = 16;
    // Item index of the character-set box (0 "Default", -1 free text) and its text. Only an index
    // above 0 sends a character-set statement.
    int charsetIndex = 0;
    std::string charset = "Default";

    OracleAllows allows; // settled by the run from the server, not by the user
};

} // namespace convert
