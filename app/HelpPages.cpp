#include "app/HelpPages.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace helppages {

QStringList searchFolders()
{
    const QString exe = QCoreApplication::applicationDirPath();
    QStringList folders{exe, QDir(exe).filePath(QStringLiteral("../share/morvane"))};
#ifdef MORVANE_DOCS_DIR
    folders << QStringLiteral(MORVANE_DOCS_DIR);
#endif
    for (QString &folder : folders)
        folder = QDir::cleanPath(folder);
    return folders;
}

QUrl resolve(const QString &address)
{
    const QUrl asUrl(address, QUrl::StrictMode);
    // A one-letter scheme is a Windows drive, not an address.
    if (asUrl.isValid() && asUrl.scheme().size() > 1)
        return asUrl;
    const QStringList folders = searchFolders();
    for (const QString &folder : folders) {
        const QString path = QDir(folder).filePath(address);
        if (QFileInfo(path).isFile())
            return QUrl::fromLocalFile(path);
    }
    return QUrl::fromLocalFile(QDir(folders.first()).filePath(address));
}

} // namespace helppages
