#pragma once

#include <string>

class SettingsStore;

namespace cli {

struct CommandOptions;

// Takes the entries and options the wizard saved (QSettings "Quessra", "Morvane", the passwords from
// the keyring where it keeps them): the MySQL access, database, user and password, the Oracle service,
// user and password, and the options of page 4. Returns what went wrong (nothing saved yet), or empty.
// A saved password that is empty counts as not saved, so the environment or a prompt can still give
// one. A keyring that does not answer is said once on stderr.
std::string applySavedSettings(CommandOptions &options);
std::string applySavedSettings(SettingsStore &store, CommandOptions &options);

} // namespace cli
