// The manual page and the shell completions of glyphforge-cli against the tool itself: every
// command and option its help shows is documented and completed, and the bash completion
// completes what it should.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/run_process.h"
#include "support/temp_folder.h"

namespace gf {
namespace {

namespace fs = std::filesystem;

const fs::path Resources = GF_CLI_RESOURCES;

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string Help(const std::vector<std::string>& args) {
    test::TempFolder dir;
    auto r = test::RunProcess(GF_CLI_PATH, args, (dir / "run").string());
    EXPECT_EQ(r.ExitCode, 0) << r.Err;
    return r.Out;
}

// The commands listed by the tool's help ("  NAME   summary" under "Commands:").
std::vector<std::string> Commands() {
    std::vector<std::string> out;
    std::istringstream lines(Help({"--help"}));
    std::string line;
    bool inList = false;
    const std::regex entry("^  ([a-z]+) {2,}\\S.*");
    while (std::getline(lines, line)) {
        std::smatch m;
        if (line == "Commands:")
            inList = true;
        else if (inList && std::regex_match(line, m, entry))
            out.push_back(m[1]);
        else if (inList && line.empty())
            break;
    }
    return out;
}

// Every option a command's help names: long options anywhere, short ones where they head a
// line of the option list.
std::set<std::string> Options(const std::string& command) {
    const std::string help = Help({command, "--help"});
    std::set<std::string> out;
    const std::regex longOption("(^|[^-\\w])(--[a-z][a-z0-9-]*)");
    for (auto it = std::sregex_iterator(help.begin(), help.end(), longOption);
         it != std::sregex_iterator(); ++it)
        out.insert((*it)[2]);
    const std::regex shortOption("(^|\\n) +(-[a-zA-Z]),");
    for (auto it = std::sregex_iterator(help.begin(), help.end(), shortOption);
         it != std::sregex_iterator(); ++it)
        out.insert((*it)[2]);
    return out;
}

// As roff writes it: every hyphen escaped.
std::string Roff(const std::string& text) {
    std::string out;
    for (char c : text)
        out += c == '-' ? std::string("\\-") : std::string(1, c);
    return out;
}

TEST(CliDocs, ManualAndCompletionsKnowEveryCommandAndOption) {
    const std::string man = ReadText(Resources / "glyphforge-cli.1.in");
    const std::string bash = ReadText(Resources / "glyphforge-cli.bash");
    const std::string zsh = ReadText(Resources / "_glyphforge-cli");
    ASSERT_FALSE(man.empty() || bash.empty() || zsh.empty());
    const std::vector<std::string> commands = Commands();
    ASSERT_GE(commands.size(), 5u);
    for (const auto& command : commands) {
        EXPECT_NE(man.find(".SS " + command), std::string::npos)
            << "the manual has no section for '" << command << "'";
        EXPECT_NE(bash.find(command + ")"), std::string::npos)
            << "the bash completion does not complete '" << command << "'";
        EXPECT_NE(zsh.find("'" + command + ":"), std::string::npos)
            << "the zsh completion does not offer '" << command << "'";
        for (const auto& option : Options(command)) {
            EXPECT_NE(man.find(Roff(option)), std::string::npos)
                << "'" << command << " " << option << "' is not in glyphforge-cli.1.in";
            if (option.rfind("--", 0) != 0)
                continue;  // the completions offer the long forms
            EXPECT_NE(bash.find(option), std::string::npos)
                << "'" << command << " " << option << "' is not in glyphforge-cli.bash";
            EXPECT_NE(zsh.find(option), std::string::npos)
                << "'" << command << " " << option << "' is not in _glyphforge-cli";
        }
    }
    EXPECT_NE(man.find(Roff("--version")), std::string::npos);
}

// What the bash completion offers for a command line whose last word is being completed, in
// sorted order, each followed by '|'.
std::string BashCompletions(const std::string& words, const fs::path& folder) {
    const std::string script =
        "source " + test::ShellQuote((Resources / "glyphforge-cli.bash").string()) + "\ncd " +
        test::ShellQuote(folder.string()) + "\nCOMP_WORDS=(" + words +
        ")\nCOMP_CWORD=$((${#COMP_WORDS[@]} - 1))\n"
        "_glyphforge_cli\n"
        "((${#COMPREPLY[@]})) && printf '%s\\n' \"${COMPREPLY[@]}\" |"
        " LC_ALL=C sort | tr '\\n' '|'\ntrue\n";
    auto r = test::RunProcess("bash", {"-c", script}, (folder / "run").string());
    EXPECT_EQ(r.ExitCode, 0) << r.Err;
    return r.Out;
}

TEST(CliDocs, BashCompletesCommandsOptionsValuesAndFiles) {
    test::TempFolder dir;
    std::ofstream(dir / "my icon.ico") << "x";
    std::ofstream(dir / "mine.exe") << "x";
    fs::create_directory(dir / "mdir");
    const struct {
        std::string Words;
        std::string Offered;
    } cases[] = {
        {"glyphforge-cli th", "thumbnail|"},
        {"glyphforge-cli --v", "--version|"},
        {"glyphforge-cli list --j", "--json|"},
        {"glyphforge-cli convert a.png --bits ''", "1|16|24|32|4|8|"},
        {"glyphforge-cli convert a.png --palette w", "websafe|windows16|"},
        {"glyphforge-cli convert a.png --bmp out.bmp ''", "black|white|"},
        {"glyphforge-cli extract x.dll -o m", "mdir|"},
        {"glyphforge-cli list m", "mdir|mine.exe|my icon.ico|"},
        {"glyphforge-cli nonsense ''", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(BashCompletions(c.Words, dir.Path()), c.Offered) << c.Words;
}

}  // namespace
}  // namespace gf
