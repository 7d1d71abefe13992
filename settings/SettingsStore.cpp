#include "settings/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

const QString kOrganization = QStringLiteral("Quessra");
const QString kApplication = QStringLiteral("Morvane");
// The keyring entries carry the value names of the store.
const QString kMySqlPassword = QStringLiteral("mysqlp");
const QString kOraclePassword = QStringLiteral("oraclep");

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

SettingsStore::SettingsStore()
    : SettingsStore(std::make_unique<QSettings>(kOrganization, kApplication), PasswordKeyring(kApplication))
{
}

SettingsStore::SettingsStore(std::unique_ptr<QSettings> store, std::optional<PasswordKeyring> keyring)
    : m_store(std::move(store)), m_keyring(std::move(keyring))
{
}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::fileName() const { return m_store->fileName(); }

WizardSettings SettingsStore::validated(WizardSettings s)
{
    const auto within = [](int value, int first, int count) { return value >= first && value < count; };
    if (!within(s.accessMode, 0, WizardSettings::kAccessModes))
        s.accessMode = 0;
    if (!within(s.processTable, 0, WizardSettings::kPolicies))
        s.processTable = 0;
    if (!within(s.charsetIndex, -1, WizardSettings::kCharsetEntries))
        s.charsetIndex = 0;
    s.jobs = std::clamp(s.jobs, 1, WizardSettings::kMaxJobs);
    return s;
}

std::optional<WizardSettings> SettingsStore::load()
{
    m_keyringProblem.clear();
    m_known = {true, true};
    std::optional<WizardSettings> s = load(*m_store);
    if (s)
        s = validated(*s);
    if (!m_keyring)
        return s;
    // Asked even when nothing was saved yet, so that a first start knows where the passwords will go.
    const std::vector<PasswordKeyring::Reply> replies = m_keyring->read({kMySqlPassword, kOraclePassword});
    for (const PasswordKeyring::Reply &reply : replies)
        if (!reply.answered)
            m_keyringProblem = reply.problem;
    if (!s)
        return s;
    const std::array<QString *, 2> passwords{&s->mysqlPassword, &s->oraclePassword};
    for (std::size_t i = 0; i < passwords.size(); ++i) {
        const PasswordKeyring::Reply &reply = replies[i];
        if (!passwords[i]->isEmpty())
            continue; // kept in the store, so newer than any entry, and moved at the next save
        m_known[i] = reply.answered;
        if (reply.found)
            *passwords[i] = reply.password;
    }
    return s;
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
    s.longNames = text(store, QStringLiteral("longnames")) == one;
    s.jobs = parseIndex(text(store, QStringLiteral("jobs"))).value_or(1);
    return s;
}

void SettingsStore::save(const WizardSettings &settings)
{
    m_keyringProblem.clear();
    WizardSettings toStore = settings;
    if (m_keyring) {
        const std::array<QString *, 2> passwords{&toStore.mysqlPassword, &toStore.oraclePassword};
        const std::array<QString, 2> keys{kMySqlPassword, kOraclePassword};
        std::vector<PasswordKeyring::Entry> entries;
        std::vector<std::size_t> written;
        for (std::size_t i = 0; i < passwords.size(); ++i) {
            if (passwords[i]->isEmpty() && !m_known[i])
                continue; // an entry that could not be read is left as it is
            entries.push_back({keys[i], *passwords[i]});
            written.push_back(i);
        }
        const std::vector<PasswordKeyring::Reply> replies = m_keyring->write(entries);
        for (std::size_t n = 0; n < written.size(); ++n) {
            const std::size_t i = written[n];
            if (replies[n].answered) {
                passwords[i]->clear();
                m_known[i] = true;
            } else {
                m_keyringProblem = replies[n].problem; // and the password stays in the store
            }
        }
    }
    save(*m_store, toStore);
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
    store.setValue(QStringLiteral("longnames"), flagText(s.longNames));
    store.setValue(QStringLiteral("jobs"), QString::number(s.jobs));
    store.sync();
    // An older file may predate this rule; tighten it whatever it was.
    if (isFile && QFileInfo::exists(store.fileName()))
        QFile::setPermissions(store.fileName(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}
