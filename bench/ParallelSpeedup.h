#pragma once

#include <cstddef>
#include <string>
#include <vector>

// What converting several tables at once gains over one at a time: the same tables converted with one
// worker and with four, in the same process one after the other, with Oracle some milliseconds away (the
// stand-in's delay per round trip) and without.
struct ParallelSpeedup {
    std::size_t tables = 0, rowsEach = 0;
    double delayMs = 0;
    double oneAtATimeSeconds = 0, fourAtOnceSeconds = 0;  // with the delay
    double oneNoDelaySeconds = 0, fourNoDelaySeconds = 0; // without it

    double speedup() const { return oneAtATimeSeconds / fourAtOnceSeconds; }
    double speedupNoDelay() const { return oneNoDelaySeconds / fourNoDelaySeconds; }
    std::string render() const;
};

// Converts the tables (existing MySQL tables of the profile's database) into the Oracle user's schema
// four times: each number is the best of two runs.
ParallelSpeedup measureParallelSpeedup(const std::vector<std::string> &mysqlProfile,
                                       const std::vector<std::string> &oracleProfile, const std::string &oracleUser,
                                       const std::vector<std::string> &tables, std::size_t rowsEach, double delayMs);
