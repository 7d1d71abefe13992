#pragma once

#include <cstddef>
#include <string>
#include <vector>

// What verifying a copy and checking a table before it cost, against the conversion of the same table
// alone, measured in the same process one after the other.
struct VerifyCheckCost {
    std::string table;
    std::size_t rows = 0;
    double convertSeconds = 0; // a run over the table: create, keys, rows
    double verifySeconds = 0;  // the same run with verification
    double checkSeconds = 0;   // the check of the table, before a run

    double verifyRatio() const { return verifySeconds / convertSeconds; }
    double checkRatio() const { return checkSeconds / convertSeconds; }
    // A Markdown section with the figures and the goals they are held to.
    std::string render() const;
};

// Runs the three on an existing MySQL table, converting it into the Oracle user's schema (twice).
VerifyCheckCost measureVerifyAndCheck(const std::vector<std::string> &mysqlProfile,
                                      const std::vector<std::string> &oracleProfile, const std::string &oracleUser,
                                      const std::string &table);
