#include "core/ini/ini_file.h"

#include "core/util/errors.h"
#include "support/test_support.h"

#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quorvel;
using namespace quorvel::test;

TEST(IniFile, MissingFileReadsDefaultsAndFirstWriteCreatesItPrivate) {
    TempDir dir;
    IniFile ini(dir / "project.ini");
    EXPECT_EQ(ini.readInteger("Common", "Log Count", 50), 50);
    EXPECT_FALSE(fs::exists(dir / "project.ini"));
    ini.writeBool("Common", "Enable schedule", true);
    ASSERT_TRUE(fs::exists(dir / "project.ini"));
    struct stat st {};
    ASSERT_EQ(::stat((dir / "project.ini").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(readFile(dir / "project.ini"), "[Common]\nEnable schedule=1\n");
}

TEST(IniFile, EveryCallSeesTheFileAsItIsNow) {
    TempDir dir;
    IniFile ini(dir / "a.ini");
    ini.writeString("S", "k", "one");
    writeFile(dir / "a.ini", "[S]\nk=changed outside\n");
    EXPECT_EQ(ini.readString("S", "k"), "changed outside");
}

TEST(IniFile, EditWritesAllChangesOnceAndSkipsNoOps) {
    TempDir dir;
    IniFile ini(dir / "a.ini");
    ini.edit([](IniDocument& doc) {
        doc.writeString("P", "a", "1");
        doc.writeString("P", "b", "2");
        doc.removeSection("none");
    });
    EXPECT_EQ(readFile(dir / "a.ini"), "[P]\na=1\nb=2\n");
    setModificationTime(dir / "a.ini", 1000000000);
    ini.edit([](IniDocument& doc) { doc.writeString("P", "a", "1"); });
    struct stat st {};
    ::stat((dir / "a.ini").c_str(), &st);
    EXPECT_EQ(st.st_mtime, 1000000000); // unchanged content is not rewritten
}

TEST(IniFile, AWriteThatFailsMidwayLeavesTheOldFileIntact) {
    TempDir dir;
    const fs::path path = dir / "project.ini";
    std::string original = "[Common]\nProject Count=1\nCount0=Docs\n";
    writeFile(path, original);
    // The child may write at most 64 bytes per file: the rewrite fails part-way through.
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit {
            64, 64
        };
        ::setrlimit(RLIMIT_FSIZE, &limit);
        try {
            IniFile(path).writeString("Docs", "Comment", std::string(1000, 'x'));
        } catch (const IoError&) {
            ::_exit(0);
        }
        ::_exit(1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the failed write was not reported";
    EXPECT_EQ(readFile(path), original);
    for (const auto& entry : fs::directory_iterator(dir.path()))
        EXPECT_EQ(entry.path().filename(), "project.ini") << "temporary file left behind";
}
