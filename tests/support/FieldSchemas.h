#pragma once

#include <string>
#include <vector>

namespace testsupport {

// Schemas of the kind met in the field, written for these tests: the statements that build one in an
// empty MySQL database, and the tables a conversion selects (views included).
struct FieldSchema {
    std::string name;
    std::vector<std::string> setup;
    std::vector<std::string> tables;
};

// A film-rental shop: countries, cities, addresses, stores and their staff (who point at each other),
// customers, films with their actors and categories, inventory, rentals, payments; value lists, unsigned
// and unique columns, timestamps updated on change, views and a trigger.
FieldSchema filmRentalShop();

// A store keyed by composite and date keys: orders by number and region, their lines, products unique
// by vendor and code (which stock moves refer to), prices by product and day.
FieldSchema compositeKeyStore();

// Long, mixed-case and odd names: tables whose names share their first 26 bytes or differ only in
// letter case, columns named with spaces, accents and reserved words, long key and constraint names.
FieldSchema oddNames();

} // namespace testsupport
