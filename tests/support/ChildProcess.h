#pragma once

#include <string>
#include <vector>

#include <sys/types.h>

namespace testsupport {

// A command started as a process of its own, its standard output and error read together: with
// variables set or removed from its environment, and its standard input either /dev/null or a terminal
// (a pseudo-terminal the test types into).
class ChildProcess {
public:
    struct Setup {
        std::vector<std::string> set;   // "NAME=value"
        std::vector<std::string> unset; // "NAME"
        bool terminal = false;
    };

    ChildProcess(const std::vector<std::string> &args, const Setup &setup);
    ~ChildProcess();
    ChildProcess(const ChildProcess &) = delete;
    ChildProcess &operator=(const ChildProcess &) = delete;

    pid_t pid() const noexcept { return m_pid; }
    // Reads until the output holds this text; false when the command ended first.
    bool waitFor(const std::string &text);
    // Types into the terminal.
    void type(const std::string &text);
    void signal(int sig);
    // The command line as every user of the machine sees it (/proc/PID/cmdline), NULs as blanks.
    std::string visibleCommandLine() const;
    // Reads to the end and waits: the exit status, or -1 when a signal ended it.
    int finish();
    int waitStatus() const noexcept { return m_status; }
    const std::string &output() const noexcept { return m_output; }

private:
    bool readSome();

    pid_t m_pid = -1;
    int m_out = -1;
    bool m_done = false;
    int m_status = 0;
    std::string m_output;
};

// The full path of a program found on PATH; empty when it is not installed.
std::string findProgram(const std::string &name);

// Runs a program to its end (a bare name is looked up on PATH): its exit status, or -1 when a signal
// ended it, and its standard output and error in `output`.
int runProgram(std::vector<std::string> args, std::string &output, const ChildProcess::Setup &setup = {});

} // namespace testsupport
