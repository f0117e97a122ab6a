#include "run_project_fixture.h"

#include "core/ini/ini_password_codec.h"

#include <chrono>
#include <csignal>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace quorvel;
using namespace quorvel::test;

namespace {

const std::string Python = PythonInterpreter.string();

bool havePeers() {
    return haveTool("unzip") && haveTool("7zz") && fs::exists(Python);
}

std::string runOk(const std::vector<std::string>& argv) {
    ProcessResult result = runProcess(argv);
    EXPECT_EQ(result.exitCode, 0) << argv[0] << ":\n" << result.output;
    return result.output;
}

// Every regular file below a folder, by path relative to it, with its contents.
std::vector<std::pair<std::string, std::string>> tree(const fs::path& root) {
    std::vector<std::pair<std::string, std::string>> files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.is_regular_file())
            files.emplace_back(fs::relative(entry.path(), root).string(), readFile(entry.path()));
    }
    std::sort(files.begin(), files.end());
    return files;
}

pid_t startCli(const std::vector<std::string>& args) {
    const std::string program = (binaryDir() / "src/cli/quorvel-backup-cli").string();
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    return pid;
}

} // namespace

TEST_F(RunProjectFixture, EncryptedBackupRestoresByteIdenticalWithOtherTools) {
    if (!havePeers())
        GTEST_SKIP() << "unzip, 7zz or " << Python << " is not installed";
    writeFile(src / "sub/deeper/empty.txt", "");
    writeFile(src / "name with blanks ä.txt", compressibleText(70000, 5));
    writeProject("Secret", {{"Filename prefix", "Secret"},
                            {"Whether password Project", "1"},
                            {"Password", IniPasswordCodec::encode("s3cret pw", "Secret")},
                            {"Whether store path in Zip", "1"},
                            {"Comment", "nightly"},
                            {"PackLevel", "9"}});
    CliRun run = cli({"run", "Secret"});
    ASSERT_EQ(run.code, cli::ExitOk) << run.out << run.err;
    const std::string archive = (dest / "Secret2.zip").string();

    runOk({"unzip", "-P", "s3cret pw", "-q", archive, "-d", (dir / "unzip").string()});
    EXPECT_EQ(tree(dir / "unzip" / src.relative_path()), tree(src));
    EXPECT_NE(runOk({"unzip", "-t", "-P", "s3cret pw", archive}).find("No errors detected"), std::string::npos);
    EXPECT_NE(runOk({"7zz", "t", "-ps3cret pw", archive}).find("Everything is Ok"), std::string::npos);
    const std::string script = "import sys, zipfile\n"
                               "z = zipfile.ZipFile(sys.argv[1])\n"
                               "z.setpassword(sys.argv[2].encode())\n"
                               "assert z.testzip() is None\n"
                               "assert z.comment == b'nightly'\n"
                               "print(len(z.namelist()))\n";
    EXPECT_EQ(runOk({Python, "-c", script, archive, "s3cret pw"}), "4\n");
    EXPECT_NE(runProcess({"unzip", "-t", "-P", "wrong", archive}).exitCode, 0);
}

// A run killed while it writes leaves the previous archive under the final name, untouched.
TEST_F(RunProjectFixture, KilledRunNeverLeavesATruncatedArchive) {
    const fs::path program = binaryDir() / "src/cli/quorvel-backup-cli";
    if (!fs::exists(program))
        GTEST_SKIP() << program << " is not built";
    for (int i = 0; i < 4; ++i)
        writeFile(src / ("big" + std::to_string(i) + ".bin"), randomBytes(8 << 20, 10 + static_cast<unsigned>(i)));
    writeProject("Big", {{"Filename prefix", "Big"}, {"Suffix", "0"}, {"PackLevel", "9"}});
    writeCommon("IsOverWrite", "1");
    const fs::path archive = dest / "Big.zip";
    writeFile(archive, "the previous backup");

    const pid_t pid = startCli({"--data-dir", (dir / "data").string(), "run", "Big"});
    ASSERT_GT(pid, 0);
    bool writing = false;
    for (int i = 0; i < 6000 && !writing; ++i) {
        for (const auto& entry : fs::directory_iterator(dest))
            writing = writing || entry.path().filename().string().starts_with(".Big.zip.");
        if (!writing)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(writing) << "the run never started writing";
    ASSERT_TRUE(WIFSIGNALED(status)) << "the run ended before it could be killed";
    EXPECT_EQ(readFile(archive), "the previous backup");
    EXPECT_FALSE(fs::exists(dir / "data/log.txt"));
}
