#include "OraError.h"

#include <cstdio>
#include <initializer_list>
#include <unordered_map>

namespace oraclesim {

namespace {

// Oracle's classic wording (11g to 21c); clients key on the number, users read the text.
const std::unordered_map<int, const char *> &messages()
{
    static const std::unordered_map<int, const char *> table = {
        {1, "unique constraint (%s.%s) violated"},
        {54, "resource busy and acquire with NOWAIT specified or timeout expired"},
        {600, "internal error code, arguments: [%s], [%s]"},
        {900, "invalid SQL statement"},
        {901, "invalid CREATE command"},
        {902, "invalid datatype"},
        {903, "invalid table name"},
        {904, "%s: invalid identifier"},
        {905, "missing keyword"},
        {906, "missing left parenthesis"},
        {907, "missing right parenthesis"},
        {908, "missing NULL keyword"},
        {909, "invalid number of arguments"},
        {910, "specified length too long for its datatype"},
        {911, "invalid character"},
        {913, "too many values"},
        {917, "missing comma"},
        {918, "column ambiguously defined"},
        {920, "invalid relational operator"},
        {921, "unexpected end of SQL command"},
        {922, "missing or invalid option"},
        {923, "FROM keyword not found where expected"},
        {924, "missing BY keyword"},
        {925, "missing INTO keyword"},
        {926, "missing VALUES keyword"},
        {927, "missing equal sign"},
        {932, "inconsistent datatypes: expected %s got %s"},
        {933, "SQL command not properly ended"},
        {936, "missing expression"},
        {937, "not a single-group group function"},
        {940, "invalid ALTER command"},
        {942, "table or view does not exist"},
        {947, "not enough values"},
        {950, "invalid DROP option"},
        {953, "missing or invalid index name"},
        {955, "name is already used by an existing object"},
        {957, "duplicate column name"},
        {969, "missing ON keyword"},
        {971, "missing SET keyword"},
        {972, "identifier is too long"},
        {984, "column not allowed here"},
        {1002, "fetch out of sequence"},
        {1008, "not all variables bound"},
        {1013, "user requested cancel of current operation"},
        {1017, "invalid username/password; logon denied"},
        {1027, "bind variables not allowed for data definition operations"},
        {1031, "insufficient privileges"},
        {1045, "user %s lacks CREATE SESSION privilege; logon denied"},
        {1036, "illegal variable name/number"},
        {1400, "cannot insert NULL into (%s)"},
        {1405, "fetched column value is NULL"},
        {1406, "fetched column value was truncated"},
        {1407, "cannot update (%s) to NULL"},
        {1408, "such column list already indexed"},
        {1418, "specified index does not exist"},
        {1424, "missing or illegal character following the escape character"},
        {1425, "escape character must be character string of length 1"},
        {1426, "numeric overflow"},
        {1438, "value larger than specified precision allowed for this column"},
        {1442, "column to be modified to NOT NULL is already NOT NULL"},
        {1449, "column contains NULL values; cannot alter to NOT NULL"},
        {1451, "column to be modified to NULL cannot be modified to NULL"},
        {1452, "cannot CREATE UNIQUE INDEX; duplicate keys found"},
        {1455, "converting column overflows integer datatype"},
        {1460, "unimplemented or unreasonable conversion requested"},
        {1461, "can bind a LONG value only for insert into a LONG column"},
        {1465, "invalid hex number"},
        {1704, "string literal too long"},
        {1950, "no privileges on tablespace '%s'"},
        {1722, "invalid number"},
        {1723, "zero-length columns are not allowed"},
        {1727, "numeric precision specifier is out of range (1 to 38)"},
        {1728, "numeric scale specifier is out of range (-84 to 127)"},
        {1735, "invalid ALTER TABLE option"},
        {1740, "missing double quote in identifier"},
        {1741, "illegal zero-length identifier"},
        {1747, "invalid user.table.column, table.column, or column specification"},
        {1756, "quoted string not properly terminated"},
        {1760, "illegal argument for function"},
        {1780, "string literal required"},
        {1821, "date format not recognized"},
        {1830, "date format picture ends before converting entire input string"},
        {1841, "(full) year must be between -4713 and +9999, and not be 0"},
        {1843, "not a valid month"},
        {1847, "day of month must be between 1 and last day of month"},
        {1850, "hour must be between 0 and 23"},
        {1851, "minutes must be between 0 and 59"},
        {1852, "seconds must be between 0 and 59"},
        {1858, "a non-numeric character was found where a numeric was expected"},
        {1861, "literal does not match format string"},
        {1880, "the fractional seconds must be between 0 and 999999999"},
        {2256, "number of referencing columns must match referenced columns"},
        {2260, "table can have only one primary key"},
        {2261, "such unique or primary key already exists in the table"},
        {2264, "name already used by an existing constraint"},
        {2267, "column type incompatible with referenced column type"},
        {2268, "referenced table does not have a primary key"},
        {2270, "no matching unique or primary key for this column-list"},
        {2275, "such a referential constraint already exists in the table"},
        {2287, "sequence number not allowed here"},
        {2289, "sequence does not exist"},
        {2290, "check constraint (%s.%s) violated"},
        {2291, "integrity constraint (%s.%s) violated - parent key not found"},
        {2292, "integrity constraint (%s.%s) violated - child record found"},
        {2293, "cannot validate (%s.%s) - check constraint violated"},
        {2296, "cannot enable (%s.%s) - null values found"},
        {2298, "cannot validate (%s.%s) - parent keys not found"},
        {2299, "cannot validate (%s.%s) - duplicate keys found"},
        {2327, "cannot create index on expression with datatype %s"},
        {2329, "column of datatype %s cannot be unique or a primary key"},
        {2429, "cannot drop index used for enforcement of unique/primary key"},
        {2436, "date or system variable wrongly specified in CHECK constraint"},
        {2437, "cannot validate (%s.%s) - primary key violated"},
        {2438, "Column check constraint cannot reference other columns"},
        {2449, "unique/primary keys in table referenced by foreign keys"},
        {3113, "end-of-file on communication channel"},
        {3114, "not connected to ORACLE"},
        {3156, "OCI call timed out"},
        {3135, "connection lost contact"},
        {4002, "INCREMENT must be a non-zero integer"},
        {4004, "MINVALUE must be less than MAXVALUE"},
        {4006, "START WITH cannot be less than MINVALUE"},
        {4008, "START WITH cannot be more than MAXVALUE"}, // UNVERIFIED wording
        {4010, "the number of values to CACHE must be greater than 1"},
        {8002, "sequence %s.CURRVAL is not yet defined in this session"},
        {8004, "sequence %s.NEXTVAL %s %sVALUE and cannot be instantiated"},
        {12154, "TNS:could not resolve the connect identifier specified"},
        {12725, "unmatched parentheses in regular expression"},
        {12726, "unmatched bracket in regular expression"},
        {12727, "invalid back reference in regular expression"},
        {12728, "invalid range in regular expression"},
        {12729, "invalid character class in regular expression"},
        {12731, "invalid collation class in regular expression"},
        {12733, "regular expression too long"},
        {12899, "value too large for column %s (actual: %s, maximum: %s)"},
        {22275, "invalid LOB locator specified"},
        {22922, "nonexistent LOB value"},
        {24315, "illegal attribute type"},
        {24333, "zero iteration count"},
        {24343, "user defined callback error"},
        {24338, "statement handle not executed"},
        {24374, "define not done before fetch or execute and fetch"},
        {24369, "required callbacks not registered for one or more bind handles"},
        {24381, "error(s) in array DML"},
        {24801, "illegal parameter value in OCI lob function"},
        {24816, "Expanded non LONG bind data supplied after actual LONG or LOB column"},
        {30088, "datetime/interval precision is out of range"},
        {30669, "table can have only one identity column"}, // UNVERIFIED wording
        {30673, "column to be modified is not an identity column"},
        {30674, "identity column cannot have a default value"},
        {30675, "identity column must be a numeric type"},
        {32794, "cannot drop a system-generated sequence"}, // UNVERIFIED wording
        {32795, "cannot insert into a generated always identity column"},
        {32796, "cannot update a generated always identity column"},
        {38902, "errors exceeding specified number"},
    };
    return table;
}

std::string format(int code, std::initializer_list<std::string_view> args)
{
    auto it = messages().find(code);
    std::string pattern = it != messages().end() ? it->second : "message %s not found";
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "ORA-%05d: ", code);
    std::string out = prefix;
    auto arg = args.begin();
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] == 's') {
            if (arg != args.end())
                out += *arg++;
            ++i;
        } else {
            out += pattern[i];
        }
    }
    return out;
}

} // namespace

OraError::OraError(int code, std::string message) : m_code(code), m_message(std::move(message)) {}

OraError OraError::of(int code) { return {code, format(code, {})}; }
OraError OraError::of(int code, std::string_view arg) { return {code, format(code, {arg})}; }
OraError OraError::of(int code, std::string_view arg1, std::string_view arg2)
{
    return {code, format(code, {arg1, arg2})};
}
OraError OraError::of(int code, std::string_view arg1, std::string_view arg2, std::string_view arg3)
{
    return {code, format(code, {arg1, arg2, arg3})};
}

OraError OraError::parse(std::string_view line)
{
    std::string text(line);
    int code = 0;
    if (text.rfind("ORA-", 0) == 0) {
        std::size_t i = 4;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9')
            code = code * 10 + (text[i++] - '0');
        if (i > 4 && code > 0)
            return {code, text};
    }
    return of(600, "fault", text);
}

std::string quotedName(std::string_view name) { return "\"" + std::string(name) + "\""; }

} // namespace oraclesim
