#include "support/ChildProcess.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

#include <fcntl.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {

namespace {

[[noreturn]] void execute(const std::vector<std::string> &args, const ChildProcess::Setup &setup)
{
    for (const auto &name : setup.unset)
        unsetenv(name.c_str());
    for (const auto &assignment : setup.set) {
        const auto eq = assignment.find('=');
        setenv(assignment.substr(0, eq).c_str(), assignment.substr(eq + 1).c_str(), 1);
    }
    std::vector<char *> argv;
    for (const auto &a : args)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
}

} // namespace

ChildProcess::ChildProcess(const std::vector<std::string> &args, const Setup &setup)
{
    if (setup.terminal) {
        m_pid = forkpty(&m_out, nullptr, nullptr, nullptr);
        if (m_pid < 0)
            throw std::runtime_error("forkpty failed");
        if (m_pid == 0)
            execute(args, setup);
        return;
    }
    int fds[2];
    if (pipe(fds) != 0)
        throw std::runtime_error("pipe failed");
    m_pid = fork();
    if (m_pid < 0)
        throw std::runtime_error("fork failed");
    if (m_pid == 0) {
        const int nothing = open("/dev/null", O_RDONLY);
        dup2(nothing, 0);
        dup2(fds[1], 1);
        dup2(fds[1], 2);
        close(fds[0]);
        close(fds[1]);
        // No controlling terminal either, as under a scheduler or in CI.
        setsid();
        execute(args, setup);
    }
    close(fds[1]);
    m_out = fds[0];
}

ChildProcess::~ChildProcess()
{
    if (m_pid > 0 && !m_done) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }
    close(m_out);
}

bool ChildProcess::readSome()
{
    char buffer[4096];
    ssize_t n;
    do {
        n = read(m_out, buffer, sizeof buffer);
    } while (n < 0 && errno == EINTR);
    if (n <= 0) // a terminal whose process has ended reads as an error (EIO), a pipe as the end
        return false;
    m_output.append(buffer, static_cast<std::size_t>(n));
    return true;
}

bool ChildProcess::waitFor(const std::string &text)
{
    while (m_output.find(text) == std::string::npos)
        if (!readSome())
            return false;
    return true;
}

void ChildProcess::type(const std::string &text)
{
    if (write(m_out, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
        throw std::runtime_error("cannot type into the terminal");
}

void ChildProcess::signal(int sig) { kill(m_pid, sig); }

std::string ChildProcess::visibleCommandLine() const
{
    std::ifstream file("/proc/" + std::to_string(m_pid) + "/cmdline", std::ios::binary);
    std::string line((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    for (char &c : line)
        if (c == '\0')
            c = ' ';
    return line;
}

int ChildProcess::finish()
{
    while (readSome()) {
    }
    waitpid(m_pid, &m_status, 0);
    m_done = true;
    return WIFEXITED(m_status) ? WEXITSTATUS(m_status) : -1;
}

std::string findProgram(const std::string &name)
{
    const char *path = std::getenv("PATH");
    std::stringstream folders(path ? path : "/usr/bin:/bin");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        const std::string candidate = folder + "/" + name;
        if (!folder.empty() && access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return {};
}

int runProgram(std::vector<std::string> args, std::string &output, const ChildProcess::Setup &setup)
{
    if (!args.empty() && args[0].find('/') == std::string::npos) {
        const std::string found = findProgram(args[0]);
        if (found.empty()) {
            output = args[0] + " is not installed";
            return 127;
        }
        args[0] = found;
    }
    ChildProcess child(args, setup);
    const int status = child.finish();
    output = child.output();
    return status;
}

} // namespace testsupport
