#include "OciInsertPlan.h"

#include "OciApi.h"
#include "db/OracleNames.h"

namespace db {

std::string quoteOciName(const std::string &name) { return quoteOracleName(name); }

bool OciInsertPlan::isLongBind(const ColumnInfo &column, OciLobForm form)
{
    if (column.isLob())
        return form == OciLobForm::Bound;
    const bool bytes =
        column.type == oci::TYPE_VARCHAR2 || column.type == oci::TYPE_CHAR || column.type == oci::TYPE_RAW;
    return bytes && column.size > 4000; // only with MAX_STRING_SIZE=EXTENDED
}

OciInsertPlan OciInsertPlan::build(const std::string &table, const std::vector<ColumnInfo> &columns,
                                   const std::vector<OciLobForm> &lobForms)
{
    OciInsertPlan plan;
    // Groups in the order they are listed; each keeps the table's order within it.
    enum Group { Ordinary, Long, LobBytes, LobEmpty, LobLocator, Groups };
    std::vector<std::size_t> groups[Groups];
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (!columns[i].isLob()) {
            groups[isLongBind(columns[i], OciLobForm::Bound) ? Long : Ordinary].push_back(i);
            continue;
        }
        switch (lobForms.at(i)) {
        case OciLobForm::Bound:
            groups[LobBytes].push_back(i);
            break;
        case OciLobForm::Empty:
            groups[LobEmpty].push_back(i);
            break;
        case OciLobForm::Temporary:
            groups[LobLocator].push_back(i);
            break;
        }
    }
    std::vector<std::size_t> order;
    for (const auto &group : groups)
        order.insert(order.end(), group.begin(), group.end());

    std::string names, markers;
    for (std::size_t i : order) {
        if (!names.empty()) {
            names += ", ";
            markers += ", ";
        }
        names += quoteOciName(columns[i].name);
        if (columns[i].isLob() && lobForms.at(i) == OciLobForm::Empty) {
            markers += columns[i].isClob() ? "EMPTY_CLOB()" : "EMPTY_BLOB()";
        } else {
            markers += "?";
            plan.bound.push_back(i);
        }
    }
    plan.text = "insert into " + quoteOciName(table) + "\r\n";
    plan.text += "  (" + names + ")\r\n";
    plan.text += "values\r\n";
    plan.text += "  (" + markers + ")\r\n";
    return plan;
}

} // namespace db
