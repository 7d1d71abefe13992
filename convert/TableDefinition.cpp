#include "TableDefinition.h"

#include "NameRules.h"
#include "TypeMapping.h"

#include "db/DataSet.h"

namespace convert {

std::string BuildTableDefinition(db::DataSet &catalog, const TableNames &names, const ConversionOptions &options)
{
    if (catalog.isOpen())
        catalog.close();
    catalog.open("show FIELDS from " + quoteMySqlName(names.source));

    std::string statement = "Create table " + quoteOracleName(names.target) + " (";
    while (!catalog.eof()) {
        std::string column = cutToBytes(catalog.text("field"));
        // Read though unused: a listing without them is not one we understand.
        (void)catalog.value("null");
        (void)catalog.value("default");
        std::string type = catalog.text("type");
        std::string clause = BuildColumnClause(column, type, options.uppercaseNames, options.blobToText);
        catalog.next();
        if (!catalog.eof())
            clause += " , ";
        statement += "\r\n";
        statement += clause;
    }
    statement += " ) ";
    return statement;
}

} // namespace convert
