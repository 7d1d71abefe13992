#include "ColumnNames.h"

#include "NameRules.h"

#include "db/ConnectionProfile.h"

#include <cstdio>
#include <set>

namespace convert {

ColumnNames::ColumnNames(const std::vector<std::string> &mysqlColumns, std::size_t nameBytes)
    : m_nameBytes(nameBytes), m_mysql(mysqlColumns)
{
    std::set<std::string> taken; // in upper case: Oracle names differing only in case would meet under the rule
    for (const auto &name : m_mysql)
        taken.insert(db::asciiUpper(cutToBytes(name, m_nameBytes)));
    std::set<std::string> given;
    for (const auto &name : m_mysql) {
        std::string oracle = cutToBytes(name, m_nameBytes);
        if (given.count(db::asciiUpper(oracle))) {
            const std::string prefix = cutToBytes(name, m_nameBytes - 4);
            for (int k = 0; k <= 9999; ++k) {
                char digits[16];
                std::snprintf(digits, sizeof digits, "%04d", k);
                const std::string candidate = prefix + digits;
                if (!taken.count(db::asciiUpper(candidate)) && !given.count(db::asciiUpper(candidate))) {
                    oracle = candidate;
                    break;
                }
            }
        }
        given.insert(db::asciiUpper(oracle));
        m_oracle.push_back(std::move(oracle));
    }
}

std::string ColumnNames::of(std::string_view mysqlColumn) const
{
    for (std::size_t i = 0; i < m_mysql.size(); ++i)
        if (db::equalsIgnoreCase(m_mysql[i], mysqlColumn))
            return m_oracle[i];
    return cutToBytes(mysqlColumn, m_nameBytes);
}

bool ColumnNames::counted(std::string_view mysqlColumn) const
{
    return of(mysqlColumn) != cutToBytes(mysqlColumn, m_nameBytes);
}

} // namespace convert
