#include "support/PrivateKeyring.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

namespace testsupport {

namespace {

// The address of the running private bus; empty while there is none.
std::string g_privateBus;

const char *const kPassword = "keyring-of-the-tests";

std::string program(const std::string &name)
{
    std::string found = findProgram(name);
    if (found.empty())
        throw std::runtime_error(name + " is not installed");
    return found;
}

void writeFile(const std::string &path, const std::string &text)
{
    std::ofstream out(path, std::ios::binary);
    out << text;
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

// libsecret keeps its first connection to the keyring, with a session of the daemon it met, for the
// life of the process: a daemon started anew knows no such session. A program started after the
// daemon meets the new one; this process is made to do the same by dropping what libsecret kept.
void forgetTheKeyringMet()
{
    void *library = ::dlopen("libsecret-1.so.0", RTLD_NOW | RTLD_NOLOAD);
    if (!library)
        return; // not asked yet
    if (auto *disconnect = reinterpret_cast<void (*)()>(::dlsym(library, "secret_service_disconnect")))
        disconnect();
    ::dlclose(library);
}

} // namespace

std::string PrivateKeyring::missingPrograms()
{
    std::string missing;
    for (const char *name : {"dbus-daemon", "dbus-send", "gnome-keyring-daemon", "secret-tool"})
        if (findProgram(name).empty())
            missing += (missing.empty() ? "" : ", ") + std::string(name);
    return missing;
}

PrivateKeyring::PrivateKeyring()
{
    if (!g_privateBus.empty())
        throw std::logic_error("one private keyring per test program");
    char dir[] = "/tmp/morvane-keyring-XXXXXX";
    if (!::mkdtemp(dir))
        throw std::runtime_error("cannot make a temporary folder");
    m_dir = dir;
    for (const char *sub : {"/home", "/run", "/data", "/config", "/cache"})
        ::mkdir((m_dir + sub).c_str(), 0700);

    // No service folders: nothing is started on the bus but what the test starts itself.
    writeFile(m_dir + "/bus.conf",
              "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
              " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
              "<busconfig>\n"
              "  <type>session</type>\n"
              "  <listen>unix:dir=" +
                  m_dir +
                  "</listen>\n"
                  "  <auth>EXTERNAL</auth>\n"
                  "  <policy context=\"default\">\n"
                  "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
                  "    <allow eavesdrop=\"true\"/>\n"
                  "    <allow own=\"*\"/>\n"
                  "  </policy>\n"
                  "</busconfig>\n");
    writeFile(m_dir + "/password", kPassword);

    m_bus = std::make_unique<ChildProcess>(std::vector<std::string>{program("dbus-daemon"),
                                                                    "--config-file=" + m_dir + "/bus.conf", "--nofork",
                                                                    "--print-address=1"},
                                           ChildProcess::Setup{});
    if (!m_bus->waitFor("\n"))
        throw std::runtime_error("dbus-daemon did not start: " + m_bus->output());
    m_address = m_bus->output().substr(0, m_bus->output().find('\n'));
    g_privateBus = m_address;
    ::setenv("DBUS_SESSION_BUS_ADDRESS", m_address.c_str(), 1);
    startDaemon();
}

PrivateKeyring::~PrivateKeyring()
{
    if (m_daemon)
        thawDaemon();
    m_daemon.reset();
    m_bus.reset();
    g_privateBus.clear();
    std::error_code ignored;
    std::filesystem::remove_all(m_dir, ignored);
}

std::vector<std::string> PrivateKeyring::environment() const
{
    return {"DBUS_SESSION_BUS_ADDRESS=" + m_address, "HOME=" + m_dir + "/home",
            "XDG_RUNTIME_DIR=" + m_dir + "/run",     "XDG_DATA_HOME=" + m_dir + "/data",
            "XDG_CONFIG_HOME=" + m_dir + "/config",  "XDG_CACHE_HOME=" + m_dir + "/cache"};
}

void PrivateKeyring::startDaemon()
{
    // The password comes on standard input: the first start makes the login keyring with it, a later one
    // unlocks it. No display, so the daemon never shows a prompt on the desktop of the person testing.
    ChildProcess::Setup setup{environment(), {"DISPLAY", "WAYLAND_DISPLAY", "GNOME_KEYRING_CONTROL"}, false};
    m_daemon = std::make_unique<ChildProcess>(
        std::vector<std::string>{"/bin/sh", "-c", "exec \"$0\" --foreground --unlock --components=secrets < \"$1\"",
                                 program("gnome-keyring-daemon"), m_dir + "/password"},
        setup);
    waitForKeyring();
    forgetTheKeyringMet();
}

void PrivateKeyring::stopDaemon()
{
    thawDaemon();
    m_daemon.reset(); // killed, and waited for
    // Until the bus has seen it go, the name may still look owned.
    for (int i = 0; i < 200; ++i) {
        int status = 0;
        const std::string reply =
            run({program("dbus-send"), "--bus=" + m_address, "--print-reply", "--dest=org.freedesktop.DBus",
                 "/org/freedesktop/DBus", "org.freedesktop.DBus.NameHasOwner", "string:org.freedesktop.secrets"},
                status);
        if (reply.find("boolean false") != std::string::npos)
            return forgetTheKeyringMet();
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    throw std::runtime_error("the keyring daemon did not leave the bus");
}

void PrivateKeyring::freezeDaemon()
{
    if (m_daemon)
        m_daemon->signal(SIGSTOP);
}

void PrivateKeyring::thawDaemon()
{
    if (m_daemon)
        m_daemon->signal(SIGCONT);
}

void PrivateKeyring::waitForKeyring() const
{
    // Ready once the login keyring is the default collection: before that a write finds no collection.
    for (int i = 0; i < 400; ++i) {
        int status = 0;
        const std::string reply =
            run({program("dbus-send"), "--bus=" + m_address, "--print-reply", "--dest=org.freedesktop.secrets",
                 "/org/freedesktop/secrets", "org.freedesktop.Secret.Service.ReadAlias", "string:default"},
                status);
        if (status == 0 && reply.find("/collection/login") != std::string::npos)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    throw std::runtime_error("the keyring daemon did not answer on the private bus");
}

std::optional<std::string> PrivateKeyring::lookup(const std::string &service, const std::string &key) const
{
    int status = 0;
    std::string password = run({program("secret-tool"), "lookup", "server", service, "user", key}, status);
    if (status != 0)
        return std::nullopt;
    return password;
}

std::string PrivateKeyring::run(const std::vector<std::string> &args, int &status) const
{
    // Standard output only: a library's warning on standard error is not part of the answer.
    std::vector<std::string> command{"/bin/sh", "-c", "exec \"$@\" 2>/dev/null", "sh"};
    command.insert(command.end(), args.begin(), args.end());
    ChildProcess child(command, ChildProcess::Setup{environment(), {}, false});
    status = child.finish();
    return child.output();
}

void shutOutTheDesktopBus()
{
    if (g_privateBus.empty())
        ::setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/no-session-bus-for-tests", 1);
}

} // namespace testsupport
