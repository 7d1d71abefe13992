#pragma once

#include <QStringList>

// The two caption tables: rows "name=caption" in the same order, one per captioned control of the
// main window. The help address rows are relative to the help folder that ships with the program.
namespace captions {

QStringList englishTable();
QStringList chineseTable();

} // namespace captions
