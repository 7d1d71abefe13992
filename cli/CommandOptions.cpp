#include "CommandOptions.h"

#include "OracleLogin.h"
#include "SavedSettings.h"

#include "convert/SourceCharsets.h"

namespace cli {

namespace {

const char *kArguments =
    "  --mysql-database DB     the MySQL database\n"
    "  --mysql-user USER       the MySQL user\n"
    "  --mysql-password PASS   the MySQL password (visible to other users of this machine, as every\n"
    "                          argument is: leave it out to take MYSQL_PWD, or to be asked for it)\n"
    "  --mysql-host HOST       a MySQL server on another machine (default: the local server)\n"
    "  --oracle USER@SERVICE   the Oracle user and service; the password comes from\n"
    "                          MORVANE_ORACLE_PASSWORD, or is asked for\n"
    "  --oracle USER/PASS@SERVICE  the same with the password (visible to other users of this machine)\n"
    "  --overwrite | --merge | --skip  what happens to an Oracle table of the same name (default\n"
    "                          --overwrite: dropped and made again; --merge: rows added; --skip: left alone)\n"
    "  --definitions-only      create the tables and keys, copy no rows\n"
    "  --skip-indexes          create neither the primary key nor the indexes\n"
    "  --no-uppercase          keep the MySQL names' letter case\n"
    "  --blob-to-text          BLOB columns become CLOB\n"
    "  --charset NAME          refuse rows holding characters this MySQL character set cannot hold\n"
    "                          (a set of the MySQL server, letter case aside, utf8 and utf8mb3 alike)\n"
    "  --verify                read each copied table back from Oracle and compare it with MySQL\n"
    "  --resume                keep the Oracle tables and finish each: rows already there are not\n"
    "                          copied again, and keys and constraints an earlier run did not make are\n"
    "                          made\n"
    "  --keep-schema           carry NOT NULL, defaults, unique keys, identity, foreign keys, CHECK\n"
    "                          constraints and comments as well\n"
    "  --long-names            keep table, column, key and constraint names up to 128 bytes where the\n"
    "                          Oracle server takes them (12.2 and later); else they are held to 30\n"
    "  --jobs N                convert N tables at once (1 to 16, default 1), each with sessions of its own\n"
    "  --part K/N              convert part K of N of the tables, dealt by size the same way on every\n"
    "                          host, so N processes split them; foreign keys wait for the last pass\n"
    "  --foreign-keys-only     the last pass after every part: make the tables' foreign keys, copy nothing\n"
    "  --report FILE           write what happened to each table as JSON (docs/run-report.schema.json)\n"
    "  --oracle-timeout SECONDS  how long Oracle may take to answer a call that does not grow with the\n"
    "                          data (logon checks, lookups, inserts) before the command gives up on it;\n"
    "                          0 for no limit (default 30). DDL, counts and verification reads wait as\n"
    "                          long as they need\n"
    "  --mysql-timeout SECONDS  the same for MySQL (default 30, or connect-timeout of an option file);\n"
    "                          measurements over a whole table wait as long as they need\n"
    "  --from-settings         start from the entries and options the wizard saved; the other\n"
    "                          arguments change them (the tables are always named here)\n";

const char *kExitStatus = "Exit status: 0 %s, 1 an error ended the command, 2 bad arguments, 3 %s%s.\n";

bool takesValue(const std::string &a)
{
    for (const char *name :
         {"--mysql-database", "--mysql-user", "--mysql-password", "--mysql-host", "--oracle", "--charset", "--report",
          "--oracle-timeout", "--mysql-timeout", "--jobs", "--part", "--sql"})
        if (a == name)
            return true;
    return false;
}

// "K/N" with 1 <= K <= N; false for anything else.
bool partOf(const std::string &text, convert::RunScope &scope)
{
    const auto slash = text.find('/');
    auto number = [](const std::string &digits) -> std::size_t {
        if (digits.empty() || digits.size() > 4 || digits.find_first_not_of("0123456789") != std::string::npos)
            return 0;
        return std::stoul(digits);
    };
    if (slash == std::string::npos)
        return false;
    const std::size_t k = number(text.substr(0, slash)), n = number(text.substr(slash + 1));
    if (k < 1 || n < 1 || k > n)
        return false;
    scope.part = k;
    scope.parts = n;
    return true;
}

// Whole seconds, 0 included; nullopt for anything else.
std::optional<unsigned> secondsOf(const std::string &text)
{
    if (text.empty() || text.size() > 7 || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    return static_cast<unsigned>(std::stoul(text));
}

std::string required(const CommandOptions &o)
{
    std::string missing;
    auto need = [&](bool present, const char *name) {
        if (!present)
            missing += (missing.empty() ? "" : ", ") + std::string(name);
    };
    need(!o.database.empty(), "--mysql-database");
    need(!o.user.empty(), "--mysql-user");
    need(!o.oracleUser.empty() && !o.oracleService.empty(), "--oracle");
    if (missing.empty())
        return {};
    return missing + (missing.find(',') == std::string::npos ? " is" : " are") + " required";
}

} // namespace

std::string parseCommandOptions(Command command, int argc, char **argv, CommandOptions &out)
{
    for (int i = 0; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help") {
            out.help = true;
            return {};
        }
        if (a == "--from-settings")
            out.fromSettings = true;
        else if (takesValue(a))
            ++i; // a value may be any text, "--from-settings" included
    }
    if (out.fromSettings) {
        const std::string error = applySavedSettings(out);
        if (!error.empty())
            return error;
    }
    int policies = 0;
    for (int i = 0; i < argc; ++i) {
        const std::string a = argv[i];
        std::string value;
        if (takesValue(a)) {
            if (i + 1 >= argc)
                return a + " needs a value";
            value = argv[++i];
        }
        if (a == "--mysql-database") {
            out.database = value;
        } else if (a == "--mysql-user") {
            out.user = value;
        } else if (a == "--mysql-password") {
            out.mysqlPassword = value;
        } else if (a == "--mysql-host") {
            out.host = value;
        } else if (a == "--oracle") {
            const auto login = OracleLogin::parse(value);
            if (!login)
                return "--oracle takes USER@SERVICE or USER/PASSWORD@SERVICE";
            out.oracleUser = login->user;
            out.oracleService = login->service;
            out.oraclePassword = login->password;
        } else if (a == "--overwrite") {
            out.options.policy = convert::ExistingTablePolicy::Overwrite, ++policies;
        } else if (a == "--merge") {
            out.options.policy = convert::ExistingTablePolicy::Merge, ++policies;
        } else if (a == "--skip") {
            out.options.policy = convert::ExistingTablePolicy::Skip, ++policies;
        } else if (a == "--definitions-only") {
            out.options.definitionsOnly = true;
        } else if (a == "--skip-indexes") {
            out.options.skipIndexes = true;
        } else if (a == "--no-uppercase") {
            out.options.uppercaseNames = false;
        } else if (a == "--blob-to-text") {
            out.options.blobToText = true;
        } else if (a == "--charset") {
            out.options.charset = value;
            out.options.charsetIndex = convert::sourceCharsetIndex(value);
        } else if (a == "--verify") {
            out.options.verify = true;
        } else if (a == "--resume") {
            out.options.resume = true;
        } else if (a == "--keep-schema") {
            out.options.keepSchema = true;
        } else if (a == "--long-names") {
            out.options.longNames = true;
        } else if (a == "--jobs") {
            const auto n = secondsOf(value);
            if (!n || *n < 1 || *n > static_cast<unsigned>(convert::ConversionOptions::kMaxJobs))
                return "--jobs takes a number of tables from 1 to " +
                       std::to_string(convert::ConversionOptions::kMaxJobs);
            out.options.jobs = static_cast<int>(*n);
        } else if (a == "--part") {
            if (!partOf(value, out.scope))
                return "--part takes K/N: this is part K of N (1 <= K <= N)";
        } else if (a == "--foreign-keys-only") {
            out.scope.foreignKeysOnly = true;
        } else if (a == "--sql") {
            if (command != Command::Check)
                return "--sql is an option of check: it writes the statements a run would send";
            out.sqlPath = value;
        } else if (a == "--report") {
            if (command == Command::Check)
                return "check writes no report: it changes nothing and prints what it found";
            out.reportPath = value;
        } else if (a == "--oracle-timeout" || a == "--mysql-timeout") {
            const auto seconds = secondsOf(value);
            if (!seconds)
                return a + " takes a number of seconds (0 for no limit)";
            (a == "--oracle-timeout" ? out.oracleTimeout : out.mysqlTimeout) = seconds;
        } else if (a == "--from-settings") {
            // taken above
        } else if (a.rfind("--", 0) == 0) {
            return "unknown option " + a;
        } else {
            out.tables.push_back(a);
        }
    }
    if (policies > 1)
        return "give at most one of --overwrite, --merge, --skip";
    if (const std::string missing = required(out); !missing.empty())
        return missing;
    if (out.tables.empty())
        return "name at least one table";
    return {};
}

std::string commandUsage(Command command, const std::string &program)
{
    std::string text = "usage: " + program + " [OPTION]... TABLE...\n";
    char status[512];
    switch (command) {
    case Command::Convert:
        text += "Converts the tables in the order given, as the wizard would with those options, and prints the\n"
                "progress log. SIGINT or SIGTERM stops the run at its next progress point, as Stop does in the\n"
                "wizard; a second one ends the program at once.\n";
        std::snprintf(status, sizeof status, kExitStatus, "every table converted and no row refused",
                      "the run completed with failures (a step failed, rows were refused, a verification found a "
                      "difference)",
                      ", 4 stopped by a signal");
        break;
    case Command::Check:
        text += "Says what a conversion with these arguments would do to each table, sending nothing that\n"
                "changes either server: the Oracle name, what the policy does to a table already there, the\n"
                "statements, the columns whose meaning changes, the rows and keys Oracle would refuse.\n"
                "--report is not taken; --verify changes nothing here. --sql FILE also writes the statements a\n"
                "run would send, in its order, as a script SQL*Plus or SQLcl runs as it stands.\n";
        std::snprintf(status, sizeof status, kExitStatus, "nothing would fail", "something would fail", "");
        break;
    case Command::Verify:
        text += "Compares each table in Oracle with the MySQL table it was converted from: the row counts and a\n"
                "checksum of every value, naming the first key that differs. Changes nothing; the options that\n"
                "steer a conversion only settle the Oracle names (--no-uppercase) and the rows a run refuses\n"
                "(--charset). SIGINT or SIGTERM stops it within the next thousand rows; a second one ends the\n"
                "program at once.\n";
        std::snprintf(status, sizeof status, kExitStatus, "every table matches", "a table differs or could not be read",
                      ", 4 stopped by a signal");
        break;
    }
    return text + kArguments + status;
}

} // namespace cli
