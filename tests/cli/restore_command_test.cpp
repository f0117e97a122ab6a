#include "cli_run.h"
#include "core/backup/operation_log.h"
#include "core/project/project_store.h"
#include "core/util/clock.h"
#include "core/zip/zip_writer.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

using namespace quorvel;
using namespace quorvel::test;

namespace {

// A data folder with the project "Docs" whose restore options point into an empty folder.
class CliRestore : public ::testing::Test {
protected:
    CliRestore() {
        writeFile(dir / "project.ini", "[Common]\nProject Count=1\nCount0=Docs\n\n[Docs]\nRestore path=" +
                                           out().string() + "\nRestore to orig path=1\nOverwrite Mode=1\n");
        for (const auto& [name, contents] : std::vector<std::pair<std::string, std::string>>{
                 {"a.txt", "alpha"}, {"Data/b.txt", "beta"}, {"Data/c.log", "gamma"}})
            writeFile(dir / "src" / name, contents);
    }

    fs::path out() const { return dir / "restored"; }

    fs::path zip(const std::string& password = {}) {
        TZipWriter writer;
        writer.setZipName((dir / "docs.zip").string());
        writer.setRootDir((dir / "src").string() + "/");
        writer.StorePaths = writer.RelativePaths = writer.Recurse = true;
        writer.PackLevel = 0;
        writer.Password = password;
        writer.FilesList = {(dir / "src").string() + "/*"};
        writer.Zip();
        return dir / "docs.zip";
    }

    CliRun run(std::vector<std::string> args) {
        args.insert(args.begin(), "restore");
        return runCliOn(dir.path(), std::move(args));
    }

    LogRow newestLog() {
        SystemClock clock;
        OperationLog log(dir / "log.txt", clock);
        log.LoadLog();
        return log.row(1);
    }

    TempDir dir;
};

} // namespace

TEST_F(CliRestore, RestoresMatchingEntriesWithTheStoredOptionsAndAnswersThePromptNo) {
    const fs::path archive = zip();
    writeFile(out() / "Data/b.txt", "mine");
    const CliRun result = run({"docs", archive.string(), "Data/*"});
    EXPECT_EQ(result.code, cli::ExitOk) << result.out << result.err;
    EXPECT_EQ(readFile(out() / "Data/b.txt"), "mine");
    EXPECT_EQ(readFile(out() / "Data/c.log"), "gamma");
    EXPECT_FALSE(fs::exists(out() / "a.txt"));
    // The question, with the file it is about, takes its safe answer.
    const std::size_t question =
        result.out.find("Replace existing file Data/b.txt?\n\n" + (out() / "Data/b.txt").string());
    EXPECT_NE(question, std::string::npos) << result.out;
    EXPECT_NE(result.out.find(" bytes -> No\n", question), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("Restore 1 Files Succeeds!\nProject Name: 'Docs'\nFilename:     'docs.zip'\n"),
              std::string::npos)
        << result.out;
    const LogRow entry = newestLog();
    EXPECT_EQ(entry[LogColumnOperation], "Restore");
    EXPECT_EQ(entry[LogColumnStatus], "Succeeds");
    EXPECT_EQ(entry[LogColumnProject], "Docs");
    EXPECT_EQ(entry[LogColumnInformation], "1 files restore from " + archive.string() + "  0Kb");
    const std::string ini = readFile(dir / "project.ini");
    EXPECT_NE(ini.find("Restore path=" + out().string() + "\nRestore to orig path=1\nOverwrite Mode=1\n"),
              std::string::npos)
        << ini;
}

// With --exact each operand names the one entry stored under it, as a selected row does.
TEST_F(CliRestore, ExactNamesRestoreOnlyTheirOwnEntry) {
    writeFile(dir / "src/Data/b*.txt", "literal");
    const fs::path archive = zip();
    const CliRun exact = run({"docs", archive.string(), "--exact", "Data/b*.txt"});
    EXPECT_EQ(exact.code, cli::ExitOk) << exact.out << exact.err;
    EXPECT_EQ(namesIn(out() / "Data"), std::vector<std::string>{"b*.txt"});
    const CliRun masks = run({"docs", archive.string(), "Data/b*.txt"});
    EXPECT_EQ(masks.code, cli::ExitOk) << masks.out << masks.err;
    EXPECT_EQ(namesIn(out() / "Data"), (std::vector<std::string>{"b*.txt", "b.txt"}));
}

TEST_F(CliRestore, WholeArchiveWithPasswordFileAndFailuresGiveTheExitCode) {
    const fs::path archive = zip("pw");
    writeFile(dir / "pw.txt", "pw\n");
    writeFile(dir / "wrong.txt", "nope\n");
    CliRun result = run({"Docs", archive.string(), "--password-file", (dir / "wrong.txt").string()});
    EXPECT_EQ(result.code, cli::ExitFailure);
    EXPECT_NE(result.err.find("The password is incorrect\nRestore files fails!\n"), std::string::npos) << result.err;
    EXPECT_EQ(newestLog()[LogColumnStatus], "Fails");

    result = run({"Docs", archive.string(), "--password-file", (dir / "pw.txt").string()});
    EXPECT_EQ(result.code, cli::ExitOk) << result.out << result.err;
    EXPECT_EQ(readFile(out() / "a.txt"), "alpha");
    EXPECT_EQ(readFile(out() / "Data/c.log"), "gamma");

    result = run({"Docs", archive.string(), "Data/missing.txt"});
    EXPECT_EQ(result.code, cli::ExitFailure);
    EXPECT_NE(result.err.find("Data/missing.txt: not found in the archive"), std::string::npos) << result.err;
}

TEST_F(CliRestore, UsageUnknownProjectAndMissingArchive) {
    EXPECT_EQ(run({"Docs"}).code, cli::ExitUsage);
    EXPECT_EQ(run({"Docs", "x.zip", "--password-file"}).code, cli::ExitUsage);
    CliRun result = run({"Nobody", (dir / "docs.zip").string()});
    EXPECT_EQ(result.code, cli::ExitFailure);
    EXPECT_EQ(result.err, "Project 'Nobody' does not exist\n");
    result = run({"Docs", (dir / "missing.zip").string()});
    EXPECT_EQ(result.code, cli::ExitFailure);
    EXPECT_FALSE(result.err.empty());
    EXPECT_EQ(newestLog()[LogColumnStatus], "Fails");
}
