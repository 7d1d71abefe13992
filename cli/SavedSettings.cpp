#include "SavedSettings.h"

#include "CommandOptions.h"

#include "convert/SourceCharsets.h"
#include "settings/SettingsStore.h"

#include <cstdio>

namespace cli {

namespace {

std::optional<std::string> savedPassword(const QString &text)
{
    if (text.isEmpty())
        return std::nullopt;
    return text.toStdString();
}

} // namespace

std::string applySavedSettings(CommandOptions &options)
{
    SettingsStore store;
    return applySavedSettings(store, options);
}

std::string applySavedSettings(SettingsStore &store, CommandOptions &o)
{
    const std::optional<WizardSettings> saved = store.load();
    if (!saved)
        return "--from-settings: the wizard has saved no settings for this user yet (" +
               store.fileName().toStdString() + ")";
    // Said once, on stderr: the log on stdout stays what the run did.
    if (!store.keyringProblem().isEmpty())
        std::fprintf(stderr, "--from-settings: no keyring answered (%s), so only the passwords saved in %s are used\n",
                     store.keyringProblem().toUtf8().constData(), store.fileName().toUtf8().constData());
    const WizardSettings &s = *saved;
    o.database = s.database.toStdString();
    o.user = s.mysqlUser.toStdString();
    o.mysqlPassword = savedPassword(s.mysqlPassword);
    // Local is the local server whatever host was typed before; Remote sends the host as typed.
    o.host = s.accessMode == 1 ? s.host.toStdString() : std::string();
    o.oracleService = s.oracleService.toStdString();
    o.oracleUser = s.oracleUser.toStdString();
    o.oraclePassword = savedPassword(s.oraclePassword);
    auto &c = o.options;
    c.policy = s.processTable >= 0 && s.processTable <= 2 ? static_cast<convert::ExistingTablePolicy>(s.processTable)
                                                          : convert::ExistingTablePolicy::Overwrite;
    c.definitionsOnly = s.tableDefOnly;
    c.skipIndexes = s.skipIndex;
    c.uppercaseNames = s.nameUpperCase;
    c.blobToText = s.blobToText;
    c.keepSchema = s.keepSchema;
    c.longNames = s.longNames;
    c.verify = s.verify;
    const bool listed =
        s.charsetIndex >= 0 && static_cast<std::size_t>(s.charsetIndex) < convert::kSourceCharsets.size();
    c.charsetIndex = listed ? s.charsetIndex : 0;
    c.charset = std::string(convert::kSourceCharsets[static_cast<std::size_t>(c.charsetIndex)]);
    return {};
}

} // namespace cli
