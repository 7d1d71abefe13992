#include "settings/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

const QString kOrganization = QStringLiteral("Quessra");
const QString kApplication = QStringLiteral("Morvane");

QString flagText(bool on) { return on ? QStringLiteral("1") : QStringLiteral("0"); }

QString text(QSettings &store, const QString &name)
{
    // A hand-edited value such as "a, b" reads back as a list; it is not the text we wrote, so empty.
    const QVariant value = store.value(name);
    return value.typeId() == QMetaType::QStringList ? QString() : value.toString();
}

// Creates the settings file empty and private before QSettings first writes it: QSettings replaces the
// file through a temporary copy that keeps the permissions of the file it replaces, so the passwords
// are never readable by others, not even for a moment.
void createPrivateFile(const QString &fileName)
{
    if (fileName.isEmpty() || QFileInfo::exists(fileName))
        return;
    QDir().mkpath(QFileInfo(fileName).absolutePath());
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(fileName).constData(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (fd >= 0)
        ::close(fd);
#endif
}

} // namespace

std::optional<int> SettingsStore::parseIndex(const QString &text)
{
    // toInt would accept surrounding blanks and a plus sign; an index we wrote never has them.
    if (text.isEmpty() || text.trimmed() != text || text.startsWith(QLatin1Char('+')))
        return std::nullopt;
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    if (!ok)
        return std::nullopt;
    return value;
}

std::optional<WizardSettings> SettingsStore::load()
{
    QSettings store(kOrganization, kApplication);
    return load(store);
}

std::optional<WizardSettings> SettingsStore::load(QSettings &store)
{
    if (store.allKeys().isEmpty())
        return std::nullopt;
    WizardSettings s;
    s.accessMode = parseIndex(text(store, QStringLiteral("accessmode"))).value_or(0);
    s.database = text(store, QStringLiteral("mysqldatabase"));
    s.mysqlUser = text(store, QStringLiteral("mysqlu"));
    s.mysqlPassword = text(store, QStringLiteral("mysqlp"));
    s.host = text(store, QStringLiteral("host"));
    s.port = text(store, QStringLiteral("port"));
    s.charsetIndex = parseIndex(text(store, QStringLiteral("Character Set"))).value_or(0);
    s.oracleService = text(store, QStringLiteral("oracleh"));
    s.oracleUser = text(store, QStringLiteral("oracleu"));
    s.oraclePassword = text(store, QStringLiteral("oraclep"));
    s.processTable = parseIndex(text(store, QStringLiteral("processtable"))).value_or(0);
    const QString one = QStringLiteral("1");
    s.tableDefOnly = text(store, QStringLiteral("tabledefonly")) == one;
    s.nameUpperCase = text(store, QStringLiteral("nameuppercase")) == one;
    s.skipIndex = text(store, QStringLiteral("skipindex")) == one;
    s.blobToText = text(store, QStringLiteral("blobtotext")) == one;
    s.keepSchema = text(store, QStringLiteral("keepschema")) == one;
    s.verify = text(store, QStringLiteral("verify")) == one;
    return s;
}

void SettingsStore::save(const WizardSettings &settings)
{
    QSettings store(kOrganization, kApplication);
    save(store, settings);
}

void SettingsStore::save(QSettings &store, const WizardSettings &s)
{
    const bool isFile = store.format() != QSettings::NativeFormat || QFileInfo(store.fileName()).isAbsolute();
    if (isFile)
        createPrivateFile(store.fileName());
    store.setValue(QStringLiteral("accessmode"), QString::number(s.accessMode));
    store.setValue(QStringLiteral("mysqldatabase"), s.database);
    store.setValue(QStringLiteral("mysqlu"), s.mysqlUser);
    store.setValue(QStringLiteral("mysqlp"), s.mysqlPassword);
    store.setValue(QStringLiteral("host"), s.host);
    store.setValue(QStringLiteral("port"), s.port);
    store.setValue(QStringLiteral("Character Set"), QString::number(s.charsetIndex));
    store.setValue(QStringLiteral("oracleh"), s.oracleService);
    store.setValue(QStringLiteral("oraclep"), s.oraclePassword);
    store.setValue(QStringLiteral("oracleu"), s.oracleUser);
    store.setValue(QStringLiteral("processtable"), QString::number(s.processTable));
    store.setValue(QStringLiteral("tabledefonly"), flagText(s.tableDefOnly));
    store.setValue(QStringLiteral("nameuppercase"), flagText(s.nameUpperCase));
    store.setValue(QStringLiteral("skipindex"), flagText(s.skipIndex));
    store.setValue(QStringLiteral("blobtotext"), flagText(s.blobToText));
    store.setValue(QStringLiteral("keepschema"), flagText(s.keepSchema));
    store.setValue(QStringLiteral("verify"), flagText(s.verify));
    store.sync();
    // An older file may predate this rule; tighten it whatever it was.
    if (isFile && QFileInfo::exists(store.fileName()))
        QFile::setPermissions(store.fileName(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}
