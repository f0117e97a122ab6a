// The CLI's man page and bash completion are written by hand; these tests hold them to the
// commands and options the program really has, so a new command cannot be forgotten there.
#include "cli/cli_app.h"
#include "cli/cli_command.h"
#include "support/test_support.h"

#include <gtest/gtest.h>
#include <optional>
#include <regex>
#include <set>
#include <sstream>

using namespace quorvel;
using namespace quorvel::test;

namespace {

const fs::path ManPage = sourceDir() / "packaging/man/quorvel-backup-cli.1.in";
const fs::path Completion = sourceDir() / "packaging/completion/quorvel-backup-cli";
const std::set<std::string> GlobalOptions{"--data-dir", "--help", "--version"};

// The options a usage text names: words such as "-x" and "--password-file".
std::set<std::string> optionsIn(const std::string& usage) {
    static const std::regex option(R"((?:^|[\s\[|(])(--?[a-z][a-z0-9-]*))");
    std::set<std::string> found;
    for (auto it = std::sregex_iterator(usage.begin(), usage.end(), option); it != std::sregex_iterator(); ++it)
        found.insert((*it)[1].str());
    return found;
}

// The man page's text without the roff escapes that hide a plain "--name".
std::string manText() {
    std::string text = readFile(ManPage);
    for (const auto& [escape, plain] : std::vector<std::pair<std::string, std::string>>{
             {"\\-", "-"}, {"\\fB", ""}, {"\\fI", ""}, {"\\fR", ""}, {"\\fP", ""}, {"\\%", ""}, {"\\(dq", "\""}}) {
        for (size_t at = text.find(escape); at != std::string::npos; at = text.find(escape, at + plain.size()))
            text.replace(at, escape.size(), plain);
    }
    return text;
}

// The lines from the heading ".SS name..." or ".SH NAME" up to the next heading.
std::optional<std::string> section(const std::string& text, const std::string& macro, const std::string& name) {
    std::istringstream lines(text);
    std::string body;
    bool inside = false;
    for (std::string line; std::getline(lines, line);) {
        const bool heading = line.rfind(".SS ", 0) == 0 || line.rfind(".SH ", 0) == 0;
        if (heading && inside)
            break;
        if (heading && line.rfind(macro + " ", 0) == 0) {
            std::string title = line.substr(macro.size() + 1);
            if (!title.empty() && title[0] == '"')
                title.erase(0, 1);
            inside = title == name || title.rfind(name + " ", 0) == 0 || title.rfind(name + "\"", 0) == 0;
        }
        if (inside)
            body += line + "\n";
    }
    return inside ? std::optional<std::string>(body) : std::nullopt;
}

bool mentions(const std::string& text, const std::string& option) {
    return std::regex_search(text, std::regex("(^|[^-a-zA-Z0-9])" + option + "($|[^-a-zA-Z0-9])"));
}

// What the completion offers for the words typed so far (the last one being completed), run in a
// plain bash that has only sourced the script. `prelude` runs before it, e.g. to extend PATH.
std::set<std::string> complete(const std::vector<std::string>& words, const std::string& prelude = "") {
    const std::string script = prelude + R"(
        source "$0" || exit 3
        spec=$(complete -p quorvel-backup-cli) || exit 4
        function=${spec##*-F }
        function=${function%% *}
        COMP_WORDS=("$@")
        COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
        COMP_LINE="${COMP_WORDS[*]}"
        COMP_POINT=${#COMP_LINE}
        "$function" quorvel-backup-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
        printf '%s\n' "${COMPREPLY[@]}"
    )";
    std::vector<std::string> argv{
        "bash", "--norc", "--noprofile", "-c", script, Completion.string(), "quorvel-backup-cli"};
    argv.insert(argv.end(), words.begin(), words.end());
    const ProcessResult result = runProcess(argv);
    EXPECT_EQ(result.exitCode, 0) << result.output;
    std::set<std::string> offered;
    std::istringstream lines(result.output);
    for (std::string line; std::getline(lines, line);)
        if (!line.empty())
            offered.insert(line);
    return offered;
}

} // namespace

TEST(CliReference, TheUsageTextsNameTheOptionsTheseTestsLookFor) {
    // The tests below are only as good as this reading of the usage texts.
    EXPECT_EQ(optionsIn("add ARCHIVE [-l LEVEL] [-x MASK]... [--password-file FILE] [--replace|--freshen] FILE...\n"
                        "    NAME-OR-MASK, yyyy-mm-dd (-r)"),
              (std::set<std::string>{"-l", "-x", "--password-file", "--replace", "--freshen", "-r"}));
    EXPECT_FALSE(mentions("--replace", "-r"));
    EXPECT_TRUE(mentions("[-r]", "-r"));
}

TEST(CliReference, TheManPageDescribesEveryCommandWithItsOptions) {
    const std::string page = manText();
    for (const auto& command : cli::allCommands()) {
        SCOPED_TRACE(command->name());
        const std::optional<std::string> text = section(page, ".SS", command->name());
        ASSERT_TRUE(text) << ManPage << " has no subsection \".SS " << command->name() << " ...\"";
        for (const std::string& option : optionsIn(command->usage()))
            EXPECT_TRUE(mentions(*text, option)) << "the subsection of " << command->name() << " lacks " << option;
    }
    const std::optional<std::string> options = section(page, ".SH", "OPTIONS");
    ASSERT_TRUE(options);
    for (const std::string& option : GlobalOptions)
        EXPECT_TRUE(mentions(*options, option)) << option;
}

TEST(CliReference, TheManPageListsEveryExitStatus) {
    const std::optional<std::string> status = section(manText(), ".SH", "EXIT STATUS");
    ASSERT_TRUE(status);
    for (int code : {cli::ExitOk, cli::ExitFailure, cli::ExitUsage})
        EXPECT_NE(status->find(".B " + std::to_string(code) + "\n"), std::string::npos) << code;
}

TEST(CliReference, TheCompletionOffersEveryCommandAndItsOptions) {
    const std::set<std::string> commands = complete({""});
    for (const auto& command : cli::allCommands()) {
        SCOPED_TRACE(command->name());
        EXPECT_EQ(commands.count(command->name()), 1u);
        const std::set<std::string> usageOptions = optionsIn(command->usage());
        const std::set<std::string> offered = complete({command->name(), "-"});
        // Offered options the command does not have would be as wrong as missing ones.
        EXPECT_EQ(offered, usageOptions);
        // After --data-dir the command is found all the same.
        EXPECT_EQ(complete({"--data-dir", "/tmp", command->name(), "-"}), usageOptions);
    }
    EXPECT_EQ(complete({"-"}), GlobalOptions);
    EXPECT_EQ(complete({"ex"}), (std::set<std::string>{"extract"}));
}

TEST(CliReference, TheCompletionOffersOptionValuesAndProjectNames) {
    EXPECT_EQ(complete({"extract", "a.zip", "-o", ""}), (std::set<std::string>{"always", "never", "newer", "older"}));
    EXPECT_EQ(complete({"zip", "a.zip", "-l", "9"}), (std::set<std::string>{"9"}));
    EXPECT_TRUE(complete({"zip", "a.zip", "-x", ""}).empty()); // a mask: nothing to guess

    // Project names come from the program, on the data folder given, quoted for the shell.
    TempDir data;
    writeFile(data / "project.ini", "[Common]\nProject Count=2\nCount0=My Documents\nCount1=Photos\n");
    const std::string path = "PATH=" + (binaryDir() / "src/cli").string() + ":\"$PATH\"\n";
    const std::string dir = data.path().string();
    EXPECT_EQ(complete({"--data-dir", dir, "run", ""}, path), (std::set<std::string>{"My\\ Documents", "Photos"}));
    EXPECT_EQ(complete({"--data-dir", dir, "show", "M"}, path), (std::set<std::string>{"My\\ Documents"}));
    EXPECT_EQ(complete({"--data-dir", dir, "restore", "--password-file", "pw", "P"}, path),
              (std::set<std::string>{"Photos"}));
    // The archive after the project is a file: left to the shell's own file completion.
    EXPECT_TRUE(complete({"--data-dir", dir, "restore", "Photos", ""}, path).empty());
}
