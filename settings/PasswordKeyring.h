#pragma once

#include <QString>
#include <QStringList>

#include <chrono>
#include <vector>

// The platform's keyring (a Secret Service such as GNOME Keyring or KWallet, the macOS Keychain, the
// Windows Credential Manager) through QtKeychain: text entries of one service, each named by its key.
//
// A keyring answers through a daemon that may be missing, hung, or waiting for the user to unlock it,
// so every call waits a bounded time and then reports that the keyring did not answer. A request given
// up that way finishes later on its own; until it has, the keyring counts as not answering (QtKeychain
// runs one request at a time, so anything asked meanwhile would only queue behind it).
class PasswordKeyring {
public:
    static constexpr std::chrono::milliseconds kDefaultWait{10000};

    explicit PasswordKeyring(QString service, std::chrono::milliseconds wait = kDefaultWait);

    struct Reply {
        bool answered = false; // the keyring did what was asked, or said that the entry is not there
        bool found = false;    // read: the entry is there
        QString password;      // read: its text
        QString problem;       // not answered: why, in the keyring's own words where it gave them
    };

    struct Entry {
        QString key;
        QString password; // empty: the entry is removed
    };

    // One reply per key, in order; all are asked at once, so a keyring that does not answer costs one wait.
    std::vector<Reply> read(const QStringList &keys) const;
    std::vector<Reply> write(const std::vector<Entry> &entries) const;

    const QString &service() const noexcept { return m_service; }

private:
    QString m_service;
    std::chrono::milliseconds m_wait;
};
