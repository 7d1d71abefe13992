// oracle-sim-sql: runs one statement through the program's own Oracle driver (and so through
// whatever libclntsh.so comes first on the library path) and prints what came back.

#include "FieldEscaper.h"

#include "db/Drivers.h"
#include "db/Error.h"
#include "db/Profiles.h"

#include <cctype>
#include <cstring>
#include <iostream>
#include <string>

namespace {

void usage(std::ostream &out)
{
    out << "Usage: oracle-sim-sql USER/PASSWORD@SERVICE \"STATEMENT\"\n"
           "\n"
           "Runs one statement through Morvane's Oracle driver, which loads libclntsh.so from the\n"
           "library path: put the stand-in's build folder (build/oracle-sim) first on LD_LIBRARY_PATH.\n"
           "\n"
           "A query prints a header line of column names, then one line per row, fields separated by\n"
           "tabs. NULL prints as \\N. Inside a value, backslash, tab, line feed and carriage return print\n"
           "as \\\\, \\t, \\n and \\r, other control bytes (and every byte from 0x80 up of a binary value)\n"
           "as \\xHH. Any other statement is executed and committed.\n"
           "\n"
           "Exit status 0 on success; 1 with Oracle's message on standard error when the statement or\n"
           "the logon fails; 2 for wrong arguments.\n";
}

bool isQuery(const std::string &sql)
{
    std::size_t i = 0;
    while (i < sql.size() && std::isspace(static_cast<unsigned char>(sql[i])))
        ++i;
    std::string word;
    while (i < sql.size() && std::isalpha(static_cast<unsigned char>(sql[i])))
        word += static_cast<char>(std::toupper(static_cast<unsigned char>(sql[i++])));
    return word == "SELECT" || word == "WITH";
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        usage(std::cout);
        return 0;
    }
    if (argc != 3) {
        usage(std::cerr);
        return 2;
    }
    const std::string login = argv[1], sql = argv[2];
    const auto slash = login.find('/');
    const auto at = login.rfind('@');
    if (slash == std::string::npos || at == std::string::npos || at < slash) {
        std::cerr << "oracle-sim-sql: expected USER/PASSWORD@SERVICE, got '" << login << "'\n";
        return 2;
    }
    const std::string user = login.substr(0, slash);
    const std::string password = login.substr(slash + 1, at - slash - 1);
    const std::string service = login.substr(at + 1);
    try {
        auto connection = db::createOracleConnection();
        connection->replaceProfile(db::oracleTargetProfile(service, user, password));
        connection->open();
        if (isQuery(sql)) {
            auto data = connection->createDataSet();
            data->open(sql);
            for (int i = 0; i < data->fieldCount(); ++i)
                std::cout << (i ? "\t" : "") << data->fieldName(i);
            std::cout << "\n";
            for (; !data->eof(); data->next()) {
                for (int i = 0; i < data->fieldCount(); ++i)
                    std::cout << (i ? "\t" : "") << FieldEscaper::escape(data->value(i));
                std::cout << "\n";
            }
            data->close();
        } else {
            connection->execute(sql);
            connection->commit();
        }
        connection->close();
    } catch (const db::Error &e) {
        std::cerr << e.what() << "\n";
        return 1;
    }
    return std::cout.good() ? 0 : 1;
}
