// --help and --version of both programs, run as real programs; the version and names the package states.
#include "build_info.h"
#include "cli/cli_app.h"
#include "core/project/autostart_entry.h"
#include "support/test_support.h"

#include <gtest/gtest.h>
#include <regex>

using namespace quorvel;
using namespace quorvel::test;

namespace {

const std::string Cli = (binaryDir() / "src/cli/quorvel-backup-cli").string();
const std::string Gui = (binaryDir() / "src/gui/quorvel-backup").string();

bool isEmptyOrMissing(const fs::path& folder) {
    return !fs::exists(folder) || fs::is_empty(folder);
}

} // namespace

TEST(ProgramOptions, TheCliAnswersHelpAndVersion) {
    ProcessResult version = runProcess({Cli, "--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.output, std::string("quorvel-backup-cli ") + QUORVEL_VERSION + "\n");
    EXPECT_EQ(runProcess({Cli, "--data-dir", "/nonexistent", "--version"}).output, version.output);

    ProcessResult help = runProcess({Cli, "--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.output, cli::usageText());
    EXPECT_EQ(help.output.rfind("Usage: quorvel-backup-cli [--data-dir DIR] COMMAND", 0), 0u);
    EXPECT_NE(help.output.find("--help | --version"), std::string::npos);

    ProcessResult unknown = runProcess({Cli, "--versions"});
    EXPECT_EQ(unknown.exitCode, 2);
}

#ifdef QUORVEL_WITH_GUI
TEST(ProgramOptions, TheDesktopProgramAnswersWithoutDisplayDataFolderOrRunningCopy) {
    TempDir dir;
    fs::create_directories(dir / "run");
    // No display at all: starting the toolkit would fail, and any data folder or single-instance
    // socket would appear under these folders.
    const std::vector<std::string> env{"env",
                                       "-u",
                                       "DISPLAY",
                                       "-u",
                                       "WAYLAND_DISPLAY",
                                       "-u",
                                       "QT_QPA_PLATFORM",
                                       "XDG_CONFIG_HOME=" + (dir / "config").string(),
                                       "XDG_RUNTIME_DIR=" + (dir / "run").string(),
                                       "HOME=" + (dir / "home").string(),
                                       "TMPDIR=" + (dir / "run").string()};
    auto run = [&](const std::vector<std::string>& args) {
        std::vector<std::string> argv = env;
        argv.push_back(Gui);
        argv.insert(argv.end(), args.begin(), args.end());
        return runProcess(argv);
    };

    ProcessResult version = run({"--version"});
    EXPECT_EQ(version.exitCode, 0) << version.output;
    EXPECT_EQ(version.output, std::string("quorvel-backup ") + QUORVEL_VERSION + "\n");

    for (const char* option : {"--help", "-h"}) {
        ProcessResult help = run({option});
        EXPECT_EQ(help.exitCode, 0) << help.output;
        EXPECT_EQ(help.output.rfind("Usage: quorvel-backup [--help | --version]\n", 0), 0u) << help.output;
    }
    EXPECT_TRUE(isEmptyOrMissing(dir / "config"));
    EXPECT_TRUE(isEmptyOrMissing(dir / "home"));
    EXPECT_TRUE(isEmptyOrMissing(dir / "run"));
}
#endif

TEST(PackageFiles, StateTheProjectVersion) {
    const std::string version = QUORVEL_VERSION;
    const std::string changelog = readFile(sourceDir() / "packaging/debian/changelog");
    EXPECT_EQ(changelog.rfind("quorvel-backup (" + version + ") ", 0), 0u) << "the newest changelog entry";
    const std::string metainfo = readFile(sourceDir() / "packaging/metainfo/org.example.quorvel_backup.metainfo.xml");
    std::smatch newest;
    ASSERT_TRUE(std::regex_search(metainfo, newest, std::regex(R"re(<release version="([^"]+)")re")));
    EXPECT_EQ(newest[1].str(), version) << "the first release of the metainfo file";
}

TEST(AutostartEntry, IsAValidDesktopEntryNamedAsTheMenuEntry) {
    const std::string entry = autostartEntryText("/opt/my apps/quorvel-backup");
    const std::string menuEntry = readFile(sourceDir() / "packaging/desktop/quorvel-backup.desktop");
    std::smatch name;
    ASSERT_TRUE(std::regex_search(menuEntry, name, std::regex("\nName=([^\n]*)\n")));
    EXPECT_NE(entry.find("\nName=" + name[1].str() + "\n"), std::string::npos) << entry;

    if (!haveTool("desktop-file-validate"))
        GTEST_SKIP() << "desktop-file-validate is not installed";
    TempDir dir;
    writeFile(dir / "quorvel-backup.desktop", entry);
    const ProcessResult result = runProcess({"desktop-file-validate", (dir / "quorvel-backup.desktop").string()});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, "");
}
