// The add and delete commands, in-process and as real processes that are killed or run out of room.
#include "cli_child.h"
#include "cli_run.h"

#include "support/test_support.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace quorvel;
using namespace quorvel::test;

namespace {

constexpr std::time_t Monday = 1700000000;

struct UpdateCommands : CliOnArchives {
    std::string put(const std::string& name, const std::string& data, std::time_t when = Monday) {
        writeFile(dir / name, data);
        setModificationTime(dir / name, when);
        return path(name);
    }
};

// The size of the temporary archive being written in `folder`, 0 while there is none.
std::uintmax_t temporarySize(const fs::path& folder) {
    std::error_code ec;
    for (const auto& item : fs::directory_iterator(folder, ec))
        if (item.path().filename().string().starts_with("XQZ"))
            return item.file_size(ec);
    return 0;
}

} // namespace

TEST_F(UpdateCommands, AddAndDeletePrintTheirCountLast) {
    std::string a = put("src/a.txt", "alpha");
    std::string b = put("src/b.txt", "beta");
    ASSERT_EQ(cli({"add", path("x.zip"), a, b}), 0) << err; // a missing archive is created
    EXPECT_EQ(out, "added a.txt\nadded b.txt\n2\n");
    EXPECT_EQ(cli({"add", path("x.zip"), a}), 0);
    EXPECT_EQ(out, "0\n");
    put("src/a.txt", "alpha, edited", Monday + 60);
    std::string c = put("src/c.txt", "gamma");
    EXPECT_EQ(cli({"add", path("x.zip"), "-l", "9", c, a}), 0);
    EXPECT_EQ(out, "replaced a.txt\nadded c.txt\n2\n");
    std::string d = put("src/d.txt", "delta");
    EXPECT_EQ(cli({"add", path("x.zip"), "--freshen", d, b}), 0);
    EXPECT_EQ(out, "0\n");
    EXPECT_EQ(cli({"add", path("x.zip"), "--replace", b}), 0);
    EXPECT_EQ(out, "replaced b.txt\n1\n");
    EXPECT_EQ(cli({"add", path("x.zip"), "-r", "-x", "c*", path("src")}), 0);
    EXPECT_EQ(out, "added d.txt\n1\n");

    EXPECT_EQ(cli({"delete", path("x.zip"), "b.txt", "?.TXT"}), 0) << err;
    EXPECT_EQ(out, "removing a.txt\nremoving b.txt\nremoving c.txt\nremoving d.txt\n4\n");
    EXPECT_EQ(cli({"list", path("x.zip")}), 0);
    EXPECT_EQ(out, "");
}

TEST_F(UpdateCommands, UsageAndFailures) {
    EXPECT_EQ(cli({"add", path("x.zip")}), 2);
    EXPECT_EQ(cli({"add", path("x.zip"), "-l", "10", "a"}), 2);
    EXPECT_EQ(cli({"delete", path("x.zip")}), 2);
    EXPECT_EQ(cli({"delete", path("missing.zip"), "a"}), 1);
    EXPECT_NE(err.find(path("missing.zip")), std::string::npos);
    writeFile(dir / "letter.zip", "not an archive");
    EXPECT_EQ(cli({"add", path("letter.zip"), put("a.txt", "a")}), 1);
    EXPECT_EQ(err, "Not a valid zip file!\n");
    EXPECT_EQ(readFile(dir / "letter.zip"), "not an archive");
}

TEST_F(UpdateCommands, ANamedFileThatIsMissingFailsTheAdd) {
    std::string a = put("src/a.txt", "alpha");
    EXPECT_EQ(cli({"add", path("x.zip"), a, path("src/gone.txt")}), 1);
    EXPECT_NE(err.find("No such file: " + path("src/gone.txt")), std::string::npos) << err;
    EXPECT_EQ(out, "added a.txt\n1\n");
}

// Names that differ only in letter case are two entries; deleting one by name leaves the other.
TEST_F(UpdateCommands, DeleteByNameTakesOnlyTheEntryOfThatExactName) {
    if (!fs::exists(PythonInterpreter))
        GTEST_SKIP() << PythonInterpreter << " is not installed";
    const ProcessResult made =
        zipNamesWithPython(path("x.zip"), {"Notes.txt", "notes.txt", "sub/Notes.txt", "other.txt"});
    ASSERT_EQ(made.exitCode, 0) << made.output;
    EXPECT_EQ(cli({"delete", path("x.zip"), "notes.txt", "OTHER.TXT"}), 0) << err;
    EXPECT_EQ(out, "removing notes.txt\n1\n");
    EXPECT_EQ(cli({"delete", path("x.zip"), "NOTES.*"}), 0) << err;
    EXPECT_EQ(out, "removing Notes.txt\nremoving sub/Notes.txt\n2\n");
    EXPECT_EQ(cli({"list", path("x.zip")}), 0);
    EXPECT_TRUE(out.starts_with("other.txt\t")) << out;
}

// With --exact every operand is a name: "a*b?.txt" removes that entry and leaves "axxb1.txt".
TEST_F(UpdateCommands, ExactNamesDeleteOnlyTheirOwnEntry) {
    put("src/a*b?.txt", "literal");
    put("src/axxb1.txt", "other");
    put("src/c.txt", "gamma");
    ASSERT_EQ(cli({"add", path("x.zip"), path("src/a*b?.txt"), path("src/c.txt")}), 0) << err;
    EXPECT_EQ(cli({"delete", path("x.zip"), "--exact", "a*b?.txt", "C.TXT"}), 0) << err;
    EXPECT_EQ(out, "removing a*b?.txt\n1\n");
    EXPECT_EQ(cli({"list", path("x.zip")}), 0);
    EXPECT_NE(out.find("axxb1.txt\t"), std::string::npos) << out;
    EXPECT_NE(out.find("c.txt\t"), std::string::npos) << out;
}

// A real process killed at several points of an update leaves the archive byte for byte as it was.
TEST_F(UpdateCommands, KilledUpdateLeavesTheArchiveAsItWas) {
    fs::path temp = dir / "tmp";
    fs::create_directories(temp);
    std::string kept = path("kept.bin");
    writeFile(kept, randomBytes(1000, 1));
    fs::resize_file(kept, 48 << 20); // mostly a hole: quick to read, 48 MiB to copy
    std::string added = path("added.bin");
    writeFile(added, "");
    fs::resize_file(added, 48 << 20);
    ASSERT_EQ(cli({"add", path("a.zip"), "-l", "0", kept}), 0) << err;
    std::string before = readFile(dir / "a.zip");

    // While the kept entry is copied, and while the new file is written.
    for (std::uintmax_t killAt : {std::uintmax_t(4) << 20, std::uintmax_t(60) << 20}) {
        Child child({"add", path("a.zip"), "-l", "0", added}, temp);
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
        while (temporarySize(temp) < killAt && child.running() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        ASSERT_TRUE(child.running()) << "the update ended before it could be killed";
        child.kill();
        EXPECT_TRUE(readFile(dir / "a.zip") == before) << "killed at " << killAt;
        for (const auto& item : fs::directory_iterator(temp))
            fs::remove(item.path()); // what a killed process leaves is only ever its temporary file
    }
    Child finished({"add", path("a.zip"), "-l", "0", added}, temp);
    EXPECT_EQ(finished.wait(), 0) << finished.output();
    EXPECT_TRUE(fs::is_empty(temp));
    EXPECT_EQ(cli({"test", path("a.zip")}), 0) << out;
    EXPECT_EQ(out, "2 entries tested, 0 failed\n");
}

TEST_F(UpdateCommands, FullDiskLeavesTheArchiveAsItWas) {
    fs::path temp = dir / "tmp";
    fs::create_directories(temp);
    ASSERT_EQ(cli({"add", path("a.zip"), put("a.txt", compressibleText(100000, 1))}), 0);
    std::string before = readFile(dir / "a.zip");
    std::string big = put("big.bin", randomBytes(3 << 20, 2));
    Child child({"add", path("a.zip"), big}, temp, 1 << 20);
    EXPECT_EQ(child.wait(), 1);
    EXPECT_EQ(child.output(), "Not enough room to write archive\n");
    EXPECT_TRUE(readFile(dir / "a.zip") == before);
    EXPECT_TRUE(fs::is_empty(temp));
}

// Files are reported as added only once the archive that holds them has replaced the old one.
TEST_F(UpdateCommands, AFailedAddReportsNoFileAsAdded) {
    fs::path temp = dir / "tmp";
    fs::create_directories(temp);
    ASSERT_EQ(cli({"add", path("a.zip"), put("a.txt", "alpha")}), 0);
    std::string before = readFile(dir / "a.zip");
    std::string small = put("small.txt", "small");
    std::string big = put("big.bin", randomBytes(3 << 20, 2));
    Child child({"add", path("a.zip"), small, big}, temp, 1 << 20);
    EXPECT_EQ(child.wait(), 1);
    EXPECT_EQ(child.output(), "Not enough room to write archive\n");
    EXPECT_TRUE(readFile(dir / "a.zip") == before);
}
