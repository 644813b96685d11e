// The manual pages and the --help texts say the same: every entry of a
// --help section (commands, options, exit codes, environment) is an entry of
// the matching section of the page, in the same order, and its text begins
// with the help's text. The desktop files name the program by the core's
// application id.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <map>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/app/program_usage.h"
#include "platform/temp_dir.h"

namespace quorvane::test {
namespace {

struct Entry {
    std::string tag;
    std::string text;
    bool operator==(const Entry&) const = default;
};
using Sections = std::map<std::string, std::vector<Entry>>;

std::string collapseSpaces(std::string_view text) {
    std::string out;
    for (const char c : text) {
        if (c == ' ' || c == '\t' || c == '\n') {
            if (!out.empty() && out.back() != ' ') {
                out.push_back(' ');
            }
        } else {
            out.push_back(c);
        }
    }
    while (!out.empty() && out.back() == ' ') {
        out.pop_back();
    }
    return out;
}

std::vector<std::string> linesOf(std::string_view text) {
    std::vector<std::string> lines;
    std::istringstream in{std::string(text)};
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// "Title:" opens a section; "  TAG  text" lines are its entries; any other
// line closes it.
Sections helpSections(std::string_view help) {
    Sections sections;
    std::vector<Entry>* current = nullptr;
    for (const std::string& line : linesOf(help)) {
        if (!line.empty() && line.back() == ':' && line.front() != ' ') {
            current = &sections[line.substr(0, line.size() - 1)];
        } else if (current != nullptr && line.starts_with("  ") && line.size() > 2 &&
                   line[2] != ' ') {
            const std::string body = line.substr(2);
            const auto gap = body.find(' ');
            current->push_back({body.substr(0, gap),
                                gap == std::string::npos ? "" : collapseSpaces(body.substr(gap))});
        } else {
            current = nullptr;
        }
    }
    return sections;
}

std::string unescapeTroff(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out.push_back(text[i]);
            continue;
        }
        const char next = text[++i];
        if (next == '-' || next == 'e') {
            out.push_back(next == '-' ? '-' : '\\');
        } else if (next == '(' && text.substr(i + 1, 2) == "aq") {
            out.push_back('\'');
            i += 2;
        } else if (next != '&') {
            out.push_back('\\');
            out.push_back(next);
        }
    }
    return out;
}

// ".SH TITLE" opens a section; ".TP" then ".B TAG" starts an entry whose
// text runs up to the next request.
Sections manSections(std::string_view page) {
    Sections sections;
    std::vector<Entry>* current = nullptr;
    const std::vector<std::string> lines = linesOf(page);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (line.starts_with(".SH ")) {
            std::string title = line.substr(4);
            if (title.size() >= 2 && title.front() == '"' && title.back() == '"') {
                title = title.substr(1, title.size() - 2);
            }
            current = &sections[title];
        } else if (line == ".TP" && current != nullptr && i + 1 < lines.size() &&
                   lines[i + 1].starts_with(".B ")) {
            Entry entry{unescapeTroff(lines[i + 1].substr(3)), ""};
            std::string text;
            for (i += 2; i < lines.size() && !lines[i].starts_with("."); ++i) {
                text += unescapeTroff(lines[i]) + " ";
            }
            --i;
            entry.text = collapseSpaces(text);
            current->push_back(entry);
        }
    }
    return sections;
}

constexpr std::array<std::pair<std::string_view, std::string_view>, 4> kManTitleOfHelpTitle = {{
    {"Commands", "COMMANDS"},
    {"Options", "OPTIONS"},
    {"Exit codes", "EXIT STATUS"},
    {"Environment", "ENVIRONMENT"},
}};

// One message per disagreement; empty when the page says what the help says.
std::vector<std::string> disagreements(std::string_view help, std::string_view page) {
    std::vector<std::string> found;
    const Sections helpParts = helpSections(help);
    const Sections manParts = manSections(page);
    for (const auto& [helpTitleView, manTitleView] : kManTitleOfHelpTitle) {
        const std::string helpTitle(helpTitleView);
        const std::string manTitle(manTitleView);
        const auto h = helpParts.find(helpTitle);
        if (h == helpParts.end()) {
            continue;
        }
        const auto m = manParts.find(manTitle);
        if (m == manParts.end()) {
            found.push_back("the page has no section " + manTitle);
            continue;
        }
        const std::vector<Entry>& helpEntries = h->second;
        const std::vector<Entry>& manEntries = m->second;
        for (std::size_t i = 0; i < std::max(helpEntries.size(), manEntries.size()); ++i) {
            if (i >= manEntries.size()) {
                found.push_back(manTitle + ": the page lacks \"" + helpEntries[i].tag + "\"");
            } else if (i >= helpEntries.size()) {
                found.push_back(manTitle + ": --help lacks \"" + manEntries[i].tag + "\"");
            } else if (helpEntries[i].tag != manEntries[i].tag) {
                found.push_back(manTitle + ": entry " + std::to_string(i + 1) + " is \"" +
                                helpEntries[i].tag + "\" in --help, \"" + manEntries[i].tag +
                                "\" in the page");
            } else if (!manEntries[i].text.starts_with(helpEntries[i].text)) {
                found.push_back(manTitle + " " + helpEntries[i].tag + ": --help says \"" +
                                helpEntries[i].text + "\", the page \"" + manEntries[i].text +
                                "\"");
            }
        }
    }
    return found;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\n";
    }
    return text;
}

std::string manualPage(const std::string& name) {
    return readAll(std::string(QUORVANE_SOURCE_DIR) + "/packaging/man/" + name);
}

std::string programFolder() {
    std::array<char, 4096> buffer{};
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    const std::string path(buffer.data(), n > 0 ? static_cast<std::size_t>(n) : 0);
    return path.substr(0, path.rfind('/'));
}

std::string toolHelp(int& exitCode) {
    std::string out;
    FILE* pipe = ::popen(("'" + programFolder() + "/quorvanectl' --help").c_str(), "r");
    if (pipe == nullptr) {
        return out;
    }
    std::array<char, 512> buffer{};
    while (std::fgets(buffer.data(), buffer.size(), pipe) != nullptr) {
        out += buffer.data();
    }
    const int status = ::pclose(pipe);
    exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return out;
}

TEST(ManualPages, QuorvanectlSaysWhatItsHelpSays) {
    int exitCode = -1;
    const std::string help = toolHelp(exitCode);
    ASSERT_EQ(exitCode, 0);
    const Sections parts = helpSections(help);
    ASSERT_EQ(parts.count("Commands"), 1u) << help;
    EXPECT_GE(parts.at("Commands").size(), 10u) << help;
    ASSERT_EQ(parts.count("Exit codes"), 1u) << help;
    const std::string page = manualPage("quorvanectl.1");
    ASSERT_FALSE(page.empty());
    EXPECT_EQ(joined(disagreements(help, page)), "");
}

TEST(ManualPages, QuorvaneSaysWhatItsHelpSays) {
    const std::string help(quorvaneUsage());
    ASSERT_EQ(helpSections(help).count("Options"), 1u) << help;
    const std::string page = manualPage("quorvane.1");
    ASSERT_FALSE(page.empty());
    EXPECT_EQ(joined(disagreements(help, page)), "");
}

TEST(ManualPages, CarryTheProjectVersion) {
    for (const char* name : {"quorvane.1", "quorvanectl.1"}) {
        EXPECT_NE(manualPage(name).find("\"Quorvane " QUORVANE_VERSION "\""), std::string::npos)
            << name;
    }
}

// The comparison itself: each kind of drift is caught, agreement is not.
TEST(ManualPages, ComparisonCatchesEveryKindOfDrift) {
    const std::string help =
        "Usage: tool\n\nCommands:\n  one   first thing\n  two   second thing\n\n"
        "Exit codes:\n  0  done\n";
    const std::string page =
        ".SH COMMANDS\n.TP\n.B one\nfirst thing,\nand more\n.TP\n.B two\nsecond\n"
        "thing\n.SH \"EXIT STATUS\"\n.TP\n.B 0\ndone\n";
    EXPECT_EQ(joined(disagreements(help, page)), "");
    struct Case {
        const char* name;
        std::string help;
        std::string page;
        const char* says;
    };
    const Case cases[] = {
        {"command missing from the page", help + "",
         page.substr(0, page.find(".TP\n.B two")) + ".SH \"EXIT STATUS\"\n.TP\n.B 0\ndone\n",
         "the page lacks \"two\""},
        {"command missing from --help",
         "Commands:\n  one   first thing\n\nExit codes:\n  0  done\n", page,
         "--help lacks \"two\""},
        {"other text", help,
         ".SH COMMANDS\n.TP\n.B one\nfirst thing\n.TP\n.B two\nsecond one\n"
         ".SH \"EXIT STATUS\"\n.TP\n.B 0\ndone\n",
         "two: --help says \"second thing\""},
        {"section missing", help,
         ".SH COMMANDS\n.TP\n.B one\nfirst thing\n.TP\n.B two\nsecond "
         "thing\n",
         "no section EXIT STATUS"},
        {"order", "Commands:\n  two   second thing\n  one   first thing\n", page,
         "entry 1 is \"two\""},
    };
    for (const Case& c : cases) {
        EXPECT_NE(joined(disagreements(c.help, c.page)).find(c.says), std::string::npos)
            << c.name << ":\n"
            << joined(disagreements(c.help, c.page));
    }
}

TEST(DesktopFiles, NameTheProgramByItsApplicationId) {
    const std::string folder = std::string(QUORVANE_SOURCE_DIR) + "/packaging/";
    const std::string id(kApplicationId);
    const std::string entry = readAll(folder + id + ".desktop");
    const std::string autostart = readAll(folder + id + ".autostart.desktop");
    const std::string metainfo = readAll(folder + id + ".metainfo.xml");
    EXPECT_NE(entry.find("\nIcon=" + id + "\n"), std::string::npos) << entry;
    EXPECT_NE(entry.find("\nExec=quorvane\n"), std::string::npos) << entry;
    EXPECT_NE(autostart.find("\nIcon=" + id + "\n"), std::string::npos) << autostart;
    EXPECT_NE(autostart.find("\nExec=quorvane /Start\n"), std::string::npos) << autostart;
    EXPECT_NE(metainfo.find("<id>" + id + "</id>"), std::string::npos) << metainfo;
    EXPECT_NE(metainfo.find("<launchable type=\"desktop-id\">" + id + ".desktop</launchable>"),
              std::string::npos)
        << metainfo;
}

TEST(ProgramUsage, HelpIsAskedByEitherSpellingAnywhere) {
    using Args = std::vector<std::string>;
    EXPECT_TRUE(asksForUsage(Args{"--help"}));
    EXPECT_TRUE(asksForUsage(Args{"/Start", "-h"}));
    EXPECT_FALSE(asksForUsage(Args{}));
    EXPECT_FALSE(asksForUsage(Args{"/Start", "/help", "--HELP", "-help", "help"}));
}

}  // namespace
}  // namespace quorvane::test
