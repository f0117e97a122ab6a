#include "cli_run.h"

#include "core/zip/zip_test_helpers.h"
#include "support/test_support.h"

#include <gtest/gtest.h>
#include <sstream>

using namespace quorvel;
using namespace quorvel::test;

namespace {

using ArchiveCommands = CliOnArchives;

} // namespace

TEST_F(ArchiveCommands, ZipListTestExtract) {
    writeFile(dir / "src/a.txt", compressibleText(3000, 1));
    writeFile(dir / "src/sub/b.bin", randomBytes(500, 2));
    writeFile(dir / "src/skip.tmp", "x");
    writeFile(dir / "pw", "letmein\nsecond line ignored\n");
    ASSERT_EQ(cli({"zip", path("a.zip"), "-r", "-p", "-l", "9", "-x", "*.tmp", "-n", "*.bin", "-c", "weekly",
                   "--password-file", path("pw"), path("src")}),
              0)
        << err;
    EXPECT_EQ(out, "2 entries written to " + path("a.zip") + "\n");

    ASSERT_EQ(cli({"list", path("a.zip")}), 0) << err;
    std::istringstream lines(out);
    std::string first, second;
    std::getline(lines, first);
    std::getline(lines, second);
    if (first.find("a.txt") == std::string::npos)
        std::swap(first, second); // listed in the order the folder was read
    std::string stored = dir.path().relative_path().string();
    EXPECT_EQ(first.substr(0, first.find('\t')), stored + "/src/a.txt");
    EXPECT_NE(first.find("\t3000\t"), std::string::npos);
    EXPECT_NE(first.find("\tdeflated\t"), std::string::npos);
    EXPECT_TRUE(first.ends_with("\tencrypted"));
    EXPECT_NE(second.find("\t500\t512\tstored\t"), std::string::npos); // 12 bytes of encryption header

    EXPECT_EQ(cli({"test", path("a.zip"), "--password-file", path("pw")}), 0);
    EXPECT_EQ(out, "2 entries tested, 0 failed\n");
    EXPECT_EQ(cli({"test", path("a.zip")}), 1);
    EXPECT_NE(out.find("a.txt: The password is incorrect\n"), std::string::npos);

    ASSERT_EQ(cli({"extract", path("a.zip"), "-d", path("x"), "--password-file", path("pw")}), 0) << err;
    EXPECT_EQ(readFile(dir / "x" / stored / "src/sub/b.bin"), readFile(dir / "src/sub/b.bin"));
    // Existing files are kept by default and replaced with -o always.
    writeFile(dir / "x" / stored / "src/a.txt", "changed");
    EXPECT_EQ(cli({"extract", path("a.zip"), "-d", path("x"), "--password-file", path("pw")}), 0);
    EXPECT_EQ(readFile(dir / "x" / stored / "src/a.txt"), "changed");
    EXPECT_EQ(cli({"extract", path("a.zip"), "-d", path("x"), "-o", "always", "--password-file", path("pw"), "*.txt"}),
              0);
    EXPECT_EQ(out, "1 entry extracted\n");
    EXPECT_EQ(readFile(dir / "x" / stored / "src/a.txt"), readFile(dir / "src/a.txt"));

    ASSERT_EQ(cli({"extract", path("a.zip"), "-d", path("flat"), "--no-paths", "--password-file", path("pw")}), 0);
    EXPECT_TRUE(fs::exists(dir / "flat/b.bin"));
    EXPECT_EQ(cli({"extract", path("a.zip"), "-d", path("nopw")}), 1);
    EXPECT_NE(err.find("the password is incorrect"), std::string::npos);
}

TEST_F(ArchiveCommands, UsageAndFailures) {
    EXPECT_EQ(cli({"zip", path("a.zip")}), 2);
    EXPECT_EQ(cli({"zip", path("a.zip"), "-l", "12", "x"}), 2);
    EXPECT_EQ(cli({"extract", path("a.zip"), "-o", "sometimes"}), 2);
    EXPECT_EQ(cli({"list"}), 2);
    writeFile(dir / "junk.zip", "this is not an archive at all");
    EXPECT_EQ(cli({"list", path("junk.zip")}), 1);
    EXPECT_EQ(err, "Not a valid zip file!\n");
    EXPECT_EQ(cli({"test", path("missing.zip")}), 1);
    EXPECT_NE(err.find(path("missing.zip")), std::string::npos);
}

// A file named on the command line that is not there is a failure for a script to see, even
// though the files that are there are written.
TEST_F(ArchiveCommands, ANamedFileThatIsMissingFailsTheZip) {
    writeFile(dir / "here.txt", "here");
    EXPECT_EQ(cli({"zip", path("a.zip"), path("here.txt"), path("gone.txt")}), 1);
    EXPECT_NE(err.find("No such file: " + path("gone.txt")), std::string::npos) << err;
    EXPECT_EQ(out, "1 entry written to " + path("a.zip") + "\n");
    EXPECT_EQ(cli({"list", path("a.zip")}), 0);
    EXPECT_NE(out.find("here.txt"), std::string::npos);
}

// Asking for an entry the archive does not hold extracts nothing; that is not a success either.
TEST_F(ArchiveCommands, AMaskThatSelectsNothingFailsTheExtract) {
    writeFile(dir / "here.txt", "here");
    ASSERT_EQ(cli({"zip", path("a.zip"), path("here.txt")}), 0) << err;
    EXPECT_EQ(cli({"extract", path("a.zip"), "-d", path("x"), "here.txt", "gone.txt"}), 1);
    EXPECT_EQ(err, "gone.txt: not found in the archive\n");
    EXPECT_EQ(readFile(dir / "x/here.txt"), "here");
    EXPECT_EQ(cli({"extract", path("a.zip"), "-d", path("y"), "*.doc"}), 1);
    EXPECT_EQ(out, "0 entries extracted\n");
}

// With --exact a name holding "*" or "?" extracts its own entry alone; as a mask it takes more.
TEST_F(ArchiveCommands, ExactNamesExtractOnlyTheirOwnEntry) {
    writeFile(dir / "src/a*b?.txt", "literal");
    writeFile(dir / "src/axxb1.txt", "other");
    ASSERT_EQ(cli({"zip", path("a.zip"), path("src/*")}), 0) << err;
    EXPECT_EQ(cli({"extract", path("a.zip"), "-d", path("x"), "--exact", "a*b?.txt", "A*B?.TXT"}), 1);
    EXPECT_EQ(err, "A*B?.TXT: not found in the archive\n");
    EXPECT_EQ(namesIn(dir / "x"), std::vector<std::string>{"a*b?.txt"});
    EXPECT_EQ(cli({"extract", path("a.zip"), "-d", path("y"), "a*b?.txt"}), 0) << err;
    EXPECT_EQ(namesIn(dir / "y"), (std::vector<std::string>{"a*b?.txt", "axxb1.txt"}));
}

// A password file that holds no password must never give an archive without one, nor a test or
// an extraction that quietly goes without it.
TEST_F(ArchiveCommands, APasswordFileWithoutAPasswordIsRefused) {
    writeFile(dir / "a.txt", "alpha");
    ASSERT_EQ(cli({"zip", path("ok.zip"), path("a.txt")}), 0) << err;
    writeFile(dir / "empty", "");
    writeFile(dir / "first-line-empty", "\r\nsecret\n");
    fs::create_directories(dir / "folder");
    for (const std::string& file :
         {path("empty"), path("first-line-empty"), path("folder"), std::string("/dev/null")}) {
        const std::vector<std::vector<std::string>> commands = {
            {"zip", path("new.zip"), "--password-file", file, path("a.txt")},
            {"add", path("new.zip"), "--password-file", file, path("a.txt")},
            {"test", path("ok.zip"), "--password-file", file},
            {"extract", path("ok.zip"), "-d", path("x"), "--password-file", file},
        };
        for (const auto& command : commands) {
            EXPECT_EQ(cli(command), 1) << command[0] << " " << file;
            EXPECT_NE(err.find("password file '" + file + "'"), std::string::npos) << err;
            EXPECT_EQ(out, "");
        }
        EXPECT_FALSE(fs::exists(dir / "new.zip"));
        EXPECT_FALSE(fs::exists(dir / "x"));
    }
}

// Two directory records for the same bytes (a zip bomb construction): listed, with a warning, but
// never tested or extracted.
TEST_F(ArchiveCommands, AnArchiveWithOverlappingEntriesIsListedButRefused) {
    ArchiveBuilder b;
    b.addDeflated("a.txt", compressibleText(5000, 1));
    TZipHeaderInfo alias = b.last();
    alias.fileName = "b.txt";
    writeFile(dir / "bomb.zip", b.addRecordOnly(alias).build());
    EXPECT_EQ(cli({"list", path("bomb.zip")}), 1);
    EXPECT_NE(out.find("a.txt\t"), std::string::npos);
    EXPECT_NE(out.find("b.txt\t"), std::string::npos);
    EXPECT_NE(err.find("overlap, as in a zip bomb"), std::string::npos) << err;
    EXPECT_EQ(cli({"test", path("bomb.zip")}), 1);
    EXPECT_NE(err.find("overlap, as in a zip bomb"), std::string::npos) << err;
    EXPECT_EQ(cli({"extract", path("bomb.zip"), "-d", path("x")}), 1);
    EXPECT_NE(err.find("is refused"), std::string::npos) << err;
    EXPECT_FALSE(fs::exists(dir / "x/a.txt"));
}

// Without paths, equal names from different folders meet in one file: the first stays, the
// others are reported and fail the command; a folder named on the command line is no missing name.
TEST_F(ArchiveCommands, FlatExtractionReportsEqualNamesAndTakesFoldersAsFound) {
    writeFile(dir / "src/one/x.txt", "one");
    writeFile(dir / "src/two/x.txt", "two");
    ASSERT_EQ(cli({"zip", path("a.zip"), "-p", path("src/one/"), path("src/one/x.txt"), path("src/two/x.txt")}), 0)
        << err;
    const std::string stored = dir.path().relative_path().string();
    EXPECT_EQ(cli({"extract", path("a.zip"), "-d", path("flat"), "--no-paths", "-o", "always"}), 1);
    EXPECT_EQ(out, "1 entry extracted\n");
    EXPECT_NE(err.find("was written from another entry of the same name"), std::string::npos) << err;
    EXPECT_EQ(readFile(dir / "flat/x.txt"), "one");
    EXPECT_EQ(cli({"extract", path("a.zip"), "-d", path("flat2"), "--no-paths", stored + "/src/one/",
                   stored + "/src/one/x.txt"}),
              0)
        << err;
    EXPECT_EQ(err, "");
}
