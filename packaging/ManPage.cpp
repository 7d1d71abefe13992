#include "ManPage.h"

#include <algorithm>
#include <cctype>
#include <sstream>

namespace manpage {

namespace {

struct Entry {
    std::string term, text;
    friend bool operator==(const Entry &, const Entry &) = default;
};

// A help text in its parts: usage lines, the prose before the indented entries, the entries, the prose
// after them.
struct Help {
    std::vector<std::string> usage;
    std::vector<std::string> opening;
    std::vector<Entry> entries;
    std::vector<std::string> closing;
};

std::size_t indentOf(const std::string &line) { return line.find_first_not_of(' '); }

std::string trimmed(const std::string &text)
{
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

void addProse(std::vector<std::string> &paragraphs, const std::string &line, bool &open)
{
    if (open)
        paragraphs.back() += " " + trimmed(line);
    else
        paragraphs.push_back(trimmed(line));
    open = true;
}

Help parse(const std::string &text)
{
    Help help;
    std::istringstream lines(text);
    std::string line;
    bool open = false; // the last prose paragraph goes on
    while (std::getline(lines, line)) {
        const std::size_t indent = indentOf(line);
        if (indent == std::string::npos) {
            open = false;
        } else if (line.rfind("usage: ", 0) == 0) {
            help.usage.push_back(line.substr(7));
            open = false;
        } else if (indent == 2) {
            const std::size_t gap = line.find("  ", 2);
            if (gap == std::string::npos)
                help.entries.push_back({trimmed(line), {}});
            else
                help.entries.push_back({trimmed(line.substr(0, gap)), trimmed(line.substr(gap))});
            open = false;
        } else if (indent > 2 && !help.entries.empty()) {
            Entry &last = help.entries.back();
            last.text += (last.text.empty() ? "" : " ") + trimmed(line);
        } else {
            addProse(help.entries.empty() ? help.opening : help.closing, line, open);
        }
    }
    return help;
}

std::vector<std::string> words(const std::string &text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    std::string word;
    while (in >> word)
        out.push_back(word);
    return out;
}

// An option's term: the options in bold, their values in italics, the separators as they are.
std::string term(const std::string &text)
{
    std::string out;
    for (const std::string &word : words(text)) {
        if (!out.empty())
            out += ' ';
        if (word.front() == '-')
            out += "\\fB" + escape(word) + "\\fR";
        else if (word == "|")
            out += word;
        else
            out += "\\fI" + escape(word) + "\\fR";
    }
    return out;
}

// A usage line: the program and its command in bold, the rest as written.
std::string synopsis(const std::string &usage, const std::string &program)
{
    const std::vector<std::string> parts = words(usage);
    std::string bold, rest;
    std::size_t i = 0;
    if (i < parts.size() && parts[i] == program)
        bold = parts[i++];
    if (i < parts.size() && !parts[i].empty() && std::islower(static_cast<unsigned char>(parts[i][0])))
        bold += " " + parts[i++];
    for (; i < parts.size(); ++i)
        rest += " " + parts[i];
    return "\\fB" + escape(bold) + "\\fR" + escape(rest);
}

// "Moves tables. More." -> "moves tables"
std::string summary(const Help &help)
{
    if (help.opening.empty())
        return {};
    std::string first = help.opening.front();
    const std::size_t end = first.find(". ");
    first = first.substr(0, end == std::string::npos ? first.size() : end);
    if (!first.empty() && first.back() == '.')
        first.pop_back();
    if (!first.empty())
        first[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(first[0])));
    return first;
}

std::string upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

} // namespace

std::string escape(const std::string &text)
{
    std::string out;
    for (char c : text) {
        if (c == '\\')
            out += "\\e";
        else if (c == '-')
            out += "\\-";
        else
            out += c;
    }
    if (!out.empty() && (out.front() == '.' || out.front() == '\''))
        out.insert(0, "\\&");
    return out;
}

std::vector<std::string> listedCommands(const std::string &programHelp)
{
    std::vector<std::string> names;
    for (const Entry &entry : parse(programHelp).entries)
        if (!entry.text.empty() && entry.term.find(' ') == std::string::npos && entry.term.front() != '-')
            names.push_back(entry.term);
    return names;
}

std::string format(const std::string &program, const std::string &version, const std::string &programHelp,
                   const std::vector<CommandHelp> &commands)
{
    const Help top = parse(programHelp);
    std::string page =
        ".\\\" Written from the help texts of " + escape(program) + " by the build; not edited by hand.\n";
    page += ".TH " + escape(upper(program)) + " 1 \"\" \"" + escape(version) + "\" \"User Commands\"\n";
    page += ".SH NAME\n" + escape(program) + " \\- " + escape(summary(top)) + "\n";

    std::vector<Help> helps;
    for (const CommandHelp &command : commands)
        helps.push_back(parse(command.help));

    page += ".SH SYNOPSIS\n";
    std::vector<std::string> usages;
    for (const Help &help : helps)
        usages.insert(usages.end(), help.usage.begin(), help.usage.end());
    if (usages.empty())
        usages = top.usage;
    for (std::size_t i = 0; i < usages.size(); ++i)
        page += (i ? ".br\n" : "") + synopsis(usages[i], program) + "\n";

    page += ".SH DESCRIPTION\n";
    std::vector<std::string> description = top.opening;
    description.insert(description.end(), top.closing.begin(), top.closing.end());
    for (std::size_t i = 0; i < description.size(); ++i)
        page += (i ? ".PP\n" : "") + escape(description[i]) + "\n";

    if (!commands.empty()) {
        page += ".SH COMMANDS\n";
        for (std::size_t c = 0; c < commands.size(); ++c) {
            page += ".TP\n\\fB" + escape(commands[c].name) + "\\fR\n";
            std::string listed;
            for (const Entry &entry : top.entries)
                if (entry.term == commands[c].name)
                    listed = entry.text;
            std::vector<std::string> paragraphs = helps[c].opening;
            paragraphs.insert(paragraphs.end(), helps[c].closing.begin(), helps[c].closing.end());
            if (!listed.empty()) {
                listed[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(listed[0])));
                paragraphs.insert(paragraphs.begin(), listed + ".");
            }
            for (std::size_t i = 0; i < paragraphs.size(); ++i)
                page += (i ? ".IP\n" : "") + escape(paragraphs[i]) + "\n";
        }
    }

    std::vector<Entry> options;
    for (const Help &help : helps)
        for (const Entry &entry : help.entries)
            if (std::find(options.begin(), options.end(), entry) == options.end())
                options.push_back(entry);
    if (commands.empty())
        options = top.entries;
    if (!options.empty()) {
        page += ".SH OPTIONS\n";
        for (const Entry &option : options)
            page += ".TP\n" + term(option.term) + "\n" + escape(option.text) + "\n";
    }
    return page;
}

} // namespace manpage
