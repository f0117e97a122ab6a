// Archives written here must be accepted by every other zip tool and give back the same bytes.
#include "core/zip/zip_writer.h"

#include "interop_helpers.h"

using namespace quorvel;
using namespace quorvel::test;

namespace {

struct Variant {
    std::string name;
    int level = 6;
    std::string password;
    std::string comment;
    bool paths = true;
};

struct OurArchives : ::testing::TestWithParam<Variant> {
    TempDir dir;
    fs::path src = dir / "src";

    void SetUp() override {
        writeFile(src / "text.txt", compressibleText(200000, 11));
        writeFile(src / "random.bin", randomBytes(70000, 12));
        writeFile(src / "empty.dat", "");
        writeFile(src / "sub/deeper/note.md", "# note\n");
        writeFile(src / "sub/gr\xc3\xbc\xc3\x9f"
                        "e-\xe6\x97\xa5\xe6\x9c\xac.txt",
                  "utf-8 name");
    }

    fs::path write(const Variant& v) {
        fs::path archive = dir / (v.name + ".zip");
        TZipWriter writer;
        writer.setZipName(archive.string());
        writer.setZipComment(v.comment);
        writer.PackLevel = v.level;
        writer.Password = v.password;
        writer.StorePaths = v.paths;
        writer.RelativePaths = true;
        writer.setRootDir(dir.path().string());
        writer.Recurse = true;
        writer.FilesList = {(src / "*").string()};
        EXPECT_EQ(writer.Zip(), 5);
        return archive;
    }
};

} // namespace

TEST_P(OurArchives, PeersTestAndExtractThemByteIdentical) {
    REQUIRE_PEERS();
    const Variant& v = GetParam();
    fs::path archive = write(v);
    std::vector<std::string> unzipPw, sevenPw;
    if (!v.password.empty()) {
        unzipPw = {"-P", v.password};
        sevenPw = {"-p" + v.password};
    }
    auto with = [](std::vector<std::string> argv, const std::vector<std::string>& options, const std::string& last) {
        argv.insert(argv.end(), options.begin(), options.end());
        argv.push_back(last);
        return argv;
    };
    std::string shown = runOk(with({"unzip", "-t"}, unzipPw, archive.string()));
    if (!v.comment.empty()) {
        EXPECT_NE(shown.find(v.comment), std::string::npos);
    }
    runOk(with({"7zz", "t"}, sevenPw, archive.string()));
    std::string script = "import sys, zipfile\nz = zipfile.ZipFile(sys.argv[1])\n"
                         "z.setpassword(sys.argv[2].encode())\n"
                         "assert z.testzip() is None\nassert z.comment == sys.argv[3].encode()\n"
                         "z.extractall(sys.argv[4])\n";
    runOk({Python, "-c", script, archive.string(), v.password, v.comment, (dir / "py").string()});
    runOk(with({"unzip", "-q", "-d", (dir / "uz").string()}, unzipPw, archive.string()));
    runOk(with({"7zz", "x", "-y", "-o" + (dir / "7z").string()}, sevenPw, archive.string()));

    fs::path base = v.paths ? fs::path("src") : fs::path();
    auto expected = filesBelow(src);
    if (!v.paths) {
        for (auto& [name, data] : expected)
            name = fs::path(name).filename().string();
        std::sort(expected.begin(), expected.end());
    }
    for (const char* peer : {"py", "uz", "7z"})
        EXPECT_EQ(filesBelow(dir / peer / base), expected) << peer;
}

INSTANTIATE_TEST_SUITE_P(Variants, OurArchives,
                         ::testing::Values(Variant{"stored", 0, "", "", true}, Variant{"level1", 1, "", "", true},
                                           Variant{"level2", 2, "", "", true}, Variant{"level3", 3, "", "", true},
                                           Variant{"level4", 4, "", "", true}, Variant{"level5", 5, "", "", true},
                                           Variant{"level6", 6, "", "", true}, Variant{"level7", 7, "", "", true},
                                           Variant{"level8", 8, "", "", true}, Variant{"level9", 9, "", "", true},
                                           Variant{"encrypted", 6, "pa55 w\xc3\xb6rd", "", true},
                                           Variant{"encryptedStored", 0, "pw", "", true},
                                           Variant{"comment", 6, "", "Backup of the week", true},
                                           Variant{"noPaths", 6, "", "", false}),
                         [](const auto& param) { return param.param.name; });

TEST(OurEmptyArchive, PeersAcceptIt) {
    REQUIRE_PEERS();
    TempDir dir;
    fs::path archive = dir / "empty.zip";
    TZipWriter writer;
    writer.setZipName(archive.string());
    writer.setZipComment("nothing here");
    writer.FilesList = {(dir / "missing/*.txt").string()};
    EXPECT_EQ(writer.Zip(), 0);
    ProcessResult unzip = runProcess({"unzip", "-t", archive.string()});
    EXPECT_NE(unzip.output.find("zipfile is empty"), std::string::npos) << unzip.output; // its way to say "valid"
    runOk({"7zz", "t", archive.string()});
    runOk({Python, "-c",
           "import sys, zipfile\nz = zipfile.ZipFile(sys.argv[1])\nassert z.namelist() == []\n"
           "assert z.comment == b'nothing here'\n",
           archive.string()});
}

// A file name in a legacy single-byte encoding is no UTF-8: flagging it as such made the whole
// archive unreadable to peers that decode flagged names. Unflagged, its bytes come back unchanged.
TEST(OurArchiveOfLegacyNames, PeersOpenItAndTheNameBytesSurvive) {
    REQUIRE_PEERS();
    TempDir dir;
    std::string latin1 = "caf\xe9.txt";
    writeFile(dir / "src" / latin1, "latin-1 name");
    writeFile(dir / "src/gr\xc3\xbc\xc3\x9f.txt", "utf-8 name");
    fs::path archive = dir / "legacy.zip";
    TZipWriter writer;
    writer.setZipName(archive.string());
    writer.FilesList = {(dir / "src/*").string()};
    ASSERT_EQ(writer.Zip(), 2);
    runOk({Python, "-c", "import sys, zipfile\nz = zipfile.ZipFile(sys.argv[1])\nassert z.testzip() is None\n",
           archive.string()});
    runOk({"unzip", "-t", archive.string()});
    runOk({"7zz", "t", archive.string()});
    runOk({"unzip", "-q", "-d", (dir / "uz").string(), archive.string()});
    EXPECT_EQ(readFile(dir / "uz" / latin1), "latin-1 name");

    TZipReader reader;
    reader.setZipName(archive.string());
    reader.setDestDir((dir / "ours").string());
    reader.DoAll = true;
    EXPECT_EQ(reader.UnZip(), 2);
    EXPECT_EQ(filesBelow(dir / "ours"), filesBelow(dir / "src"));
}
