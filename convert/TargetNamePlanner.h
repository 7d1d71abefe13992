#pragma once

#include "OracleSchema.h"
#include "TableNames.h"

#include <set>
#include <string>
#include <vector>

namespace convert {

// The Oracle names of one run's tables, given in selection order before the run sends its first
// statement, so two tables of a run never share a name, a run never drops a table it made itself, and a
// later run finds again the table an earlier one made.
//
// For each MySQL table S with working name W:
// 1. An Oracle table whose marker names S (and whose name W could have led to) is S's table.
// 2. Otherwise W itself, when it has at most 30 bytes, no earlier table of the run took it, and no marker
//    gives it to another MySQL table; an Oracle table of that name is then treated by the existing-table
//    policy.
// 3. Otherwise the next free counter: W's first 26 bytes and 0000, 0001 ... 0100, where free means neither
//    taken in this run nor a table Oracle already has. When all 101 are taken, the last one no table of
//    the run took is used and the policy applies to it, unless a marker gives it to another MySQL table.
// A table whose name is not W, or whose W another table of the MySQL database shares ("Mixed" and
// "MIXED" under the uppercase rule), is marked: its comment names S, which is how step 1 finds it.
class TargetNamePlanner {
public:
    // sourceTables: every table and view of the MySQL database, to tell which working names are shared.
    // nameBytes: the longest name Oracle takes (30, or 128 from Oracle 12.2 on); the counter then keeps the
    // first nameBytes - 4 bytes.
    TargetNamePlanner(const OracleSchema &oracle, const std::vector<std::string> &sourceTables, bool uppercase,
                      std::size_t nameBytes = 30);

    // Throws db::Error when no name is left for the table.
    TableNames namesFor(const std::string &source);
    // The names of a table an earlier run made, found by steps 1 and 2 without taking them (and, for a
    // long name an older run counted without a marker, the first unmarked counter Oracle has); an empty
    // target when Oracle has none.
    TableNames existingNamesFor(const std::string &source) const;

private:
    std::string foundByMarker(const std::string &source, const std::string &working) const;
    bool givenToAnother(const std::string &table, const std::string &source) const;
    std::string counterName(const std::string &source, const std::string &working) const;

    const OracleSchema &m_oracle;
    bool m_uppercase;
    std::size_t m_nameBytes;
    std::multiset<std::string> m_workingNames; // of every MySQL table of the database
    std::set<std::string> m_taken;             // Oracle names given in this run
};

} // namespace convert
