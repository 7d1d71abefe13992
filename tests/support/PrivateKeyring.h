#pragma once

#include "support/ChildProcess.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

// A session bus and a GNOME keyring of their own for one test program: the bus in a temporary folder,
// with no services it could start on its own; the keyring daemon with a home of its own, its login
// keyring made and unlocked with a known password. While it lives, this process's
// DBUS_SESSION_BUS_ADDRESS names that bus, so nothing can reach the desktop's bus or the user's keyring.
// One per program: the client libraries keep their first connection to the session bus.
class PrivateKeyring {
public:
    // The programs it needs that are not installed, named; empty when all are.
    static std::string missingPrograms();

    PrivateKeyring();
    ~PrivateKeyring();
    PrivateKeyring(const PrivateKeyring &) = delete;
    PrivateKeyring &operator=(const PrivateKeyring &) = delete;

    const std::string &busAddress() const noexcept { return m_address; }
    // For a child process: the private bus, and nothing of the desktop's.
    std::vector<std::string> environment() const;

    bool daemonRunning() const noexcept { return m_daemon != nullptr; }
    // Ends the keyring daemon; the bus stays, and nothing on it answers for a keyring.
    void stopDaemon();
    // Starts it again on the same keyring files, and waits until it answers.
    void startDaemon();
    // Freezes and thaws the daemon: a keyring that is there and never answers.
    void freezeDaemon();
    void thawDaemon();

    // What an independent client (secret-tool) finds for a QtKeychain entry; nothing when none.
    std::optional<std::string> lookup(const std::string &service, const std::string &key) const;

private:
    // Runs a program with the private bus; its standard output, and its exit status in `status`.
    std::string run(const std::vector<std::string> &args, int &status) const;
    void waitForKeyring() const;

    std::string m_dir;
    std::string m_address;
    std::unique_ptr<ChildProcess> m_bus;
    std::unique_ptr<ChildProcess> m_daemon;
};

// Points this process's session bus at a place where nothing answers, unless a PrivateKeyring runs:
// tests that do not ask for a keyring must never reach the desktop's, where the user's passwords are.
void shutOutTheDesktopBus();

} // namespace testsupport
