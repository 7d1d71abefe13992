#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

// Where the help pages that ship with the program are, and how a help address becomes a URL.
namespace helppages {

// The folders searched for the help pages, in order: beside the program, the installed share folder,
// and the source tree the program was built from (so a build runs without being installed).
QStringList searchFolders();

// An address with a scheme (https:, file:) is used as it is; any other text names a page relative to
// the first folder that holds it. A page found nowhere still gives a file URL, in the first folder.
QUrl resolve(const QString &address);

} // namespace helppages
