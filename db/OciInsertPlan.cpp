#include "OciInsertPlan.h"

#include "OracleNames.h"

namespace db {

std::string quoteOciName(const std::string &name) { return quoteOracleName(name); }

OciInsertPlan OciInsertPlan::build(const std::string &table, const std::vector<ColumnInfo> &columns,
                                   const std::vector<OciLobForm> &lobForms)
{
    OciInsertPlan plan;
    std::vector<std::size_t> order;   // columns in the order they are listed
    std::vector<std::size_t> lastOnes; // directly bound large objects
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (columns[i].isLob() && lobForms.at(i) == OciLobForm::Bound)
            lastOnes.push_back(i);
        else
            order.push_back(i);
    }
    order.insert(order.end(), lastOnes.begin(), lastOnes.end());

    std::string names, markers;
    for (std::size_t i : order) {
        if (!names.empty()) {
            names += ", ";
            markers += ", ";
        }
        names += quoteOciName(columns[i].name);
        if (columns[i].isLob() && lobForms.at(i) != OciLobForm::Bound) {
            markers += columns[i].isClob() ? "EMPTY_CLOB()" : "EMPTY_BLOB()";
            if (lobForms.at(i) == OciLobForm::Locator)
                plan.returning.push_back(i);
        } else {
            markers += "?";
            plan.bound.push_back(i);
        }
    }

    plan.text = "insert into " + quoteOciName(table) + "\r\n";
    plan.text += "  (" + names + ")\r\n";
    plan.text += "values\r\n";
    plan.text += "  (" + markers + ")\r\n";
    if (!plan.returning.empty()) {
        // The names are quoted here as in the column list: unquoted, Oracle would read a lower-case
        // name in upper case and find no such column.
        plan.text += " RETURNING \r\n";
        for (std::size_t k = 0; k < plan.returning.size(); ++k) {
            if (k > 0)
                plan.text += ", \r\n";
            plan.text += quoteOciName(columns[plan.returning[k]].name) + " \r\n";
        }
        plan.text += "INTO \r\n";
        for (std::size_t k = 0; k < plan.returning.size(); ++k) {
            if (k > 0)
                plan.text += ", \r\n";
            plan.text += "? \r\n";
        }
    }
    return plan;
}

} // namespace db
