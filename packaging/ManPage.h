#pragma once

#include <string>
#include <vector>

// The manual page of a program with commands, written from nothing but the program's help texts, so
// that the two never disagree: an option added to the help is in the next build's manual page.
namespace manpage {

// One command's help, as `PROGRAM COMMAND --help` prints it.
struct CommandHelp {
    std::string name;
    std::string help;
};

// The commands a program's help lists: its lines indented by two blanks that hold one word and, after a
// gap of two blanks or more, what it does.
std::vector<std::string> listedCommands(const std::string &programHelp);

// The page in man(7) markup: NAME from the first sentence of the program's help, SYNOPSIS from the
// commands' usage lines, DESCRIPTION, COMMANDS with each command's own text, and OPTIONS, each option
// once where the commands share it.
std::string format(const std::string &program, const std::string &version, const std::string &programHelp,
                   const std::vector<CommandHelp> &commands);

// Text made safe for roff: a backslash stays one, a minus sign stays a minus sign (so options can be
// copied from the page), and a line cannot start a request.
std::string escape(const std::string &text);

} // namespace manpage
