#pragma once

#include <string>

namespace oraclesim {

// The session's language settings that change how text turns into numbers and dates and back;
// ALTER SESSION SET changes them. Defaults are those of AMERICAN_AMERICA.
struct NlsSettings {
    char decimalChar = '.';
    char groupChar = ',';
    std::string dateFormat = "DD-MON-RR";
    std::string timestampFormat = "DD-MON-RR HH.MI.SSXFF AM";
};

} // namespace oraclesim
