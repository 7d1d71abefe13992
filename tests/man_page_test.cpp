// The manual page of morvane-cli, written from its help texts: how a help text becomes man(7) markup,
// and that the page this build wrote holds every command and option that morvane-cli's help lists.
#include "ManPage.h"

#include "support/ChildProcess.h"
#include "support/Env.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <regex>
#include <set>

namespace {

const char *kProgramHelp = "usage: tool COMMAND [OPTION]... TABLE...\n"
                           "Moves things somewhere, as the wizard does. Quickly.\n"
                           "  load      load the things\n"
                           "  check     say what a load would do\n"
                           "Exit status: 0 all went well.\n";

const char *kLoadHelp = "usage: tool load [OPTION]... TABLE...\n"
                        "Loads the tables in the order given.\n"
                        "  --from FILE             where from; the value may be\n"
                        "                          any path\n"
                        "  --fast | --slow  how fast\n"
                        "Exit status: 0 every table loaded.\n";

const char *kCheckHelp = "usage: tool check [OPTION]... TABLE...\n"
                         ".dotted prose and a back\\slash\n"
                         "  --from FILE             where from; the value may be\n"
                         "                          any path\n"
                         "  --report                not taken here\n";

std::size_t count(const std::string &text, const std::string &part)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

} // namespace

TEST(ManPageText, EscapesWhatRoffWouldTakeForMarkup)
{
    EXPECT_EQ(manpage::escape("--mysql-user"), "\\-\\-mysql\\-user");
    EXPECT_EQ(manpage::escape("a\\b"), "a\\eb");
    EXPECT_EQ(manpage::escape(".starts a request"), "\\&.starts a request");
    EXPECT_EQ(manpage::escape("'so does this"), "\\&'so does this");
    EXPECT_EQ(manpage::escape("plain. text's"), "plain. text's");
}

TEST(ManPageText, TheCommandsAreTheOneWordEntriesOfTheProgramsHelp)
{
    EXPECT_EQ(manpage::listedCommands(kProgramHelp), (std::vector<std::string>{"load", "check"}));
    EXPECT_TRUE(manpage::listedCommands(kLoadHelp).empty()); // options and a two-word entry are no commands
}

TEST(ManPageText, EverySectionComesFromTheHelpTexts)
{
    const std::string page =
        manpage::format("tool", "Tool 2.0", kProgramHelp, {{"load", kLoadHelp}, {"check", kCheckHelp}});
    EXPECT_EQ(page.rfind(".\\\"", 0), 0u) << page;
    EXPECT_NE(page.find(".TH TOOL 1 \"\" \"Tool 2.0\" \"User Commands\"\n"), std::string::npos) << page;
    EXPECT_NE(page.find(".SH NAME\ntool \\- moves things somewhere, as the wizard does\n"), std::string::npos) << page;
    EXPECT_NE(page.find(".SH SYNOPSIS\n\\fBtool load\\fR [OPTION]... TABLE...\n.br\n\\fBtool check\\fR"),
              std::string::npos)
        << page;
    EXPECT_NE(page.find(".SH DESCRIPTION\nMoves things somewhere, as the wizard does. Quickly.\n.PP\nExit status: 0 "
                        "all went well.\n"),
              std::string::npos)
        << page;
    EXPECT_NE(page.find(".TP\n\\fBload\\fR\nLoad the things.\n.IP\nLoads the tables in the order given.\n.IP\nExit "
                        "status: 0 every table loaded.\n"),
              std::string::npos)
        << page;
    // A line of prose never starts a request; a backslash stays a backslash.
    EXPECT_NE(page.find("\n\\&.dotted prose and a back\\eslash\n"), std::string::npos) << page;
    // An option the commands share is listed once, its continued description joined; values in italics.
    EXPECT_EQ(count(page, "\\fB\\-\\-from\\fR \\fIFILE\\fR\nwhere from; the value may be any path\n"), 1u) << page;
    EXPECT_NE(page.find(".TP\n\\fB\\-\\-fast\\fR | \\fB\\-\\-slow\\fR\nhow fast\n"), std::string::npos) << page;
    EXPECT_NE(page.find("\\fB\\-\\-report\\fR\nnot taken here\n"), std::string::npos) << page;
    // Sections in the usual order.
    EXPECT_LT(page.find(".SH NAME"), page.find(".SH SYNOPSIS"));
    EXPECT_LT(page.find(".SH SYNOPSIS"), page.find(".SH DESCRIPTION"));
    EXPECT_LT(page.find(".SH DESCRIPTION"), page.find(".SH COMMANDS"));
    EXPECT_LT(page.find(".SH COMMANDS"), page.find(".SH OPTIONS"));
}

TEST(ManPageOfTheBuild, HoldsEveryCommandAndOptionThatMorvaneCliLists)
{
    const std::string bin = testsupport::env("MORVANE_BIN", MORVANE_BINARY_DIR);
    std::ifstream file(bin + "/packaging/morvane-cli.1");
    ASSERT_TRUE(file) << "no manual page in " << bin << "/packaging";
    const std::string page((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());

    std::string help;
    ASSERT_EQ(testsupport::runProgram({bin + "/cli/morvane-cli", "--help"}, help), 0) << help;
    const std::vector<std::string> commands = manpage::listedCommands(help);
    EXPECT_EQ(commands, (std::vector<std::string>{"convert", "check", "verify"}));
    std::set<std::string> options;
    for (const std::string &command : commands) {
        EXPECT_NE(page.find(".TP\n\\fB" + command + "\\fR\n"), std::string::npos) << command;
        std::string commandHelp;
        ASSERT_EQ(testsupport::runProgram({bin + "/cli/morvane-cli", command, "--help"}, commandHelp), 0);
        const std::regex option("(^|\\n)  (--[a-z-]+)");
        for (std::sregex_iterator it(commandHelp.begin(), commandHelp.end(), option), end; it != end; ++it)
            options.insert((*it)[2]);
    }
    EXPECT_GT(options.size(), 15u);
    for (const std::string &option : options)
        EXPECT_NE(page.find(".TP\n\\fB" + manpage::escape(option) + "\\fR"), std::string::npos) << option;
}
