#pragma once

#include "settings/PasswordKeyring.h"
#include "settings/WizardSettings.h"

#include <array>
#include <memory>
#include <optional>

class QSettings;

// The per-user store of the wizard's settings: QSettings("Quessra", "Morvane"), every value a string
// under the names and text encodings that earlier versions wrote, so existing stores keep working.
//
// Where a keyring answers, the two passwords live there and the store's "mysqlp" and "oraclep" are
// written empty. A password found in the store itself (an earlier version wrote it, or no keyring
// answered at the last save) is the newest one: it is used, and moves to the keyring at the next save.
// Where no keyring answers, the passwords stay in the store as earlier versions kept them, and
// keyringProblem() says why.
//
// Thread rules: the thread that made it, which runs an event loop (the keyring answers through it); the
// static functions from any thread, each on a QSettings of its own.
class SettingsStore {
public:
    // The user's own store and the platform's keyring.
    SettingsStore();
    // A given store; without a keyring the passwords are kept in the store.
    SettingsStore(std::unique_ptr<QSettings> store, std::optional<PasswordKeyring> keyring);
    ~SettingsStore();
    SettingsStore(const SettingsStore &) = delete;
    SettingsStore &operator=(const SettingsStore &) = delete;

    // Nothing when nothing was ever saved. A value missing from an existing store reads as empty text:
    // an empty flag is off, an empty or unreadable number is the window's default (the character set's
    // "Default", Local, Overwrite, one table at a time). The values are validated().
    std::optional<WizardSettings> load();
    // Writes all nineteen values, the passwords to the keyring where it answers; a store that cannot be
    // written is skipped silently.
    void save(const WizardSettings &settings);

    // The settings with every number inside what its control offers: an access mode, policy or character
    // set that no item has (only a hand edit writes one) is the first item, as on a first start; "no
    // character set chosen" (-1) stays. Tables at once are held to 1 to kMaxJobs. Whoever reads the store
    // without load() (the command line) validates here too, so both agree.
    static WizardSettings validated(WizardSettings settings);

    // Why the last load or save kept a password in the store, or could not read one from the keyring:
    // the keyring's own words. Empty when the keyring answered, and without a keyring.
    const QString &keyringProblem() const noexcept { return m_keyringProblem; }
    QString fileName() const;

    // The values exactly as the store holds them, passwords included, not validated: what earlier
    // versions read and wrote. The file holds the passwords in clear, so it is left readable and writable by its owner
    // only.
    static std::optional<WizardSettings> load(QSettings &store);
    static void save(QSettings &store, const WizardSettings &settings);

    // Whole decimal numbers only ("2", "-1"); anything else is nothing.
    static std::optional<int> parseIndex(const QString &text);

private:
    std::unique_ptr<QSettings> m_store;
    std::optional<PasswordKeyring> m_keyring;
    // Per password (MySQL, Oracle): whether what was loaded is what was saved. Not so when the keyring
    // did not answer at load: an empty password then says nothing, and must not remove the entry.
    std::array<bool, 2> m_known{true, true};
    QString m_keyringProblem;
};
