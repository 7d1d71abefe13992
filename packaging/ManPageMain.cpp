// Writes the manual page of a program with commands from its help texts, run at build time:
//   morvane-manpage PROGRAM VERSION OUTPUT
// runs `PROGRAM --help` and `PROGRAM COMMAND --help` for each command that help lists.
#include "ManPage.h"

#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace {

// The program's standard output; a run that does not end with status 0 is an error.
std::string outputOf(const std::vector<std::string> &args)
{
    int fds[2];
    if (pipe(fds) != 0)
        throw std::runtime_error("pipe failed");
    const pid_t pid = fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0) {
        dup2(fds[1], 1);
        close(fds[0]);
        close(fds[1]);
        std::vector<char *> argv;
        for (const std::string &a : args)
            argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(fds[1]);
    std::string out;
    char buffer[4096];
    ssize_t n;
    while ((n = read(fds[0], buffer, sizeof buffer)) > 0)
        out.append(buffer, static_cast<std::size_t>(n));
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::string line;
        for (const std::string &a : args)
            line += (line.empty() ? "" : " ") + a;
        throw std::runtime_error(line + " did not end with status 0");
    }
    return out;
}

std::string baseName(const std::string &path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 4) {
        std::fputs("usage: morvane-manpage PROGRAM VERSION OUTPUT\n", stderr);
        return 2;
    }
    const std::string program = argv[1];
    try {
        const std::string help = outputOf({program, "--help"});
        std::vector<manpage::CommandHelp> commands;
        for (const std::string &name : manpage::listedCommands(help))
            commands.push_back({name, outputOf({program, name, "--help"})});
        std::ofstream out(argv[3], std::ios::binary | std::ios::trunc);
        out << manpage::format(baseName(program), argv[2], help, commands);
        if (!out.flush())
            throw std::runtime_error(std::string("cannot write ") + argv[3]);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "morvane-manpage: %s\n", e.what());
        std::remove(argv[3]);
        return 1;
    }
    return 0;
}
