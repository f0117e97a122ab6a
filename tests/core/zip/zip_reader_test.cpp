#include "core/zip/zip_writer.h"

#include "zip_test_helpers.h"

#include <gtest/gtest.h>

using namespace quorvel;
using namespace quorvel::test;

namespace {

struct ReaderFixture : ::testing::Test {
    TempDir dir;
    std::string archive = (dir / "in.zip").string();
    fs::path out = dir / "out";

    TZipReader& open(const std::string& bytes) {
        writeFile(archive, bytes);
        reader.setZipName(archive);
        reader.setDestDir(out.string());
        return reader;
    }
    TZipReader reader;
};

struct ScriptedPrompts : UserPrompts {
    std::vector<std::string> asked;
    bool answer = false;
    std::vector<ToAllAnswer> toAll; // answers of the overwrite question; the plain answer when used up
    bool askYesNo(const std::string& text, MessageKind) override {
        asked.push_back(text);
        return answer;
    }
    ToAllAnswer askYesNoToAll(const std::string& text, MessageKind kind) override {
        if (toAll.empty())
            return UserPrompts::askYesNoToAll(text, kind);
        asked.push_back(text);
        const ToAllAnswer next = toAll.front();
        toAll.erase(toAll.begin());
        return next;
    }
    bool askOkCancel(const std::string&, MessageKind) override { return false; }
    void showMessage(const std::string& text, MessageKind) override { asked.push_back(text); }
    void showTimedMessage(const std::string&, MessageKind, int) override {}
};

} // namespace

TEST_F(ReaderFixture, EmptyAndTinyFiles) {
    open("");
    reader.ReadZip();
    EXPECT_TRUE(reader.isLoaded());
    EXPECT_EQ(reader.Count(), 0);

    open("0123456789");
    reader.IncompleteZipMode = izAssumeNotAZip;
    try {
        reader.ReadZip();
        FAIL();
    } catch (const ENotAZipFile& e) {
        EXPECT_STREQ(e.what(), "Not a valid zip file!");
    }
    reader.IncompleteZipMode = izAssumeBad;
    EXPECT_THROW(reader.ReadZip(), EBadZipFile);
    // Without a handler the multi-disk assumption ends quietly with nothing loaded.
    reader.IncompleteZipMode = izAssumeMulti;
    EXPECT_NO_THROW(reader.ReadZip());
    EXPECT_EQ(reader.Count(), 0);
    // With one, the handler is asked again until it decides otherwise.
    int asked = 0;
    reader.OnInCompleteZip = [&](TIncompleteZipMode& mode) { mode = ++asked < 3 ? izAssumeMulti : izAssumeNotAZip; };
    EXPECT_THROW(reader.ReadZip(), ENotAZipFile);
    EXPECT_EQ(asked, 3);
}

TEST_F(ReaderFixture, LongCommentAndIndexErrors) {
    std::string comment(65535, 'c');
    open(ArchiveBuilder().addStored("a.txt", "x").build(comment));
    reader.ReadZip();
    ASSERT_EQ(reader.Count(), 1);
    EXPECT_EQ(reader.ZipComment(), comment);
    for (int bad : {-1, 1}) {
        try {
            reader.Filename(bad);
            FAIL();
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), "Index " + std::to_string(bad) + " is out of range");
        }
    }
    EXPECT_EQ(reader.FileDateTime(0), (DateTime{2020, 5, 17, 10, 30, 0}));
}

TEST_F(ReaderFixture, SortModesAndRebuildFromLocalHeaders) {
    std::string bytes = ArchiveBuilder()
                            .addStored("b/Zed.txt", "12345")
                            .addStored("a/yak.txt", "1")
                            .addDeflated("c/Xu.txt", std::string(1000, 'x'))
                            .build();
    open(bytes);
    reader.SortMode = ByName;
    reader.ReadZip();
    EXPECT_EQ(reader.Pathname(0) + reader.Filename(0), "a/yak.txt");
    reader.SortMode = ByFileName;
    EXPECT_EQ(reader.Filename(0), "Xu.txt");
    reader.SortMode = ByUnCompressedSize;
    EXPECT_EQ(reader.UnCompressedSize(2), 1000u);
    reader.SortMode = ByRate;
    EXPECT_EQ(reader.Filename(2), "Xu.txt");
    reader.SortMode = ByNone;
    EXPECT_EQ(reader.Filename(0), "Zed.txt");

    // A cut-off central directory: the entries come back from the local headers.
    std::size_t end = bytes.size() - 22;
    open(bytes.substr(0, end - 10) + bytes.substr(end));
    reader.ReadZip();
    EXPECT_EQ(reader.Count(), 3);
    reader.DoAll = true;
    reader.RecreateDirs = true;
    EXPECT_EQ(reader.UnZip(), 3);
    EXPECT_EQ(readFile(out / "c/Xu.txt"), std::string(1000, 'x'));
}

TEST_F(ReaderFixture, SelectionByMasksAndFlatExtraction) {
    open(ArchiveBuilder()
             .addStored("Data/a.txt", "first")
             .addStored("Data/sub/b.txt", "bee")
             .addStored("a.txt", "root")
             .addStored("Other/a.txt", "second")
             .build());
    reader.FilesList = {"Data/*.txt"};
    reader.RecreateDirs = true;
    EXPECT_EQ(reader.UnZip(), 2);
    EXPECT_TRUE(reader.FilesList.empty());
    EXPECT_EQ(treeOf(out).size(), 2u);
    EXPECT_TRUE(fs::exists(out / "Data/sub/b.txt"));

    fs::remove_all(out);
    reader.RecreateDirs = false;
    reader.OverwriteMode = Always;
    reader.FilesList = {"*a.txt"};
    std::vector<std::string> lost;
    reader.OnUnZipError = [&](int index, const std::string&, const std::string&) {
        lost.push_back(reader.Entry(index).storedName());
    };
    // Three entries come to one file: the first stays, the others are lost and counted as such,
    // never as files extracted.
    EXPECT_EQ(reader.UnZip(), 1);
    EXPECT_EQ(readFile(out / "a.txt"), "first");
    EXPECT_EQ(lost, (std::vector<std::string>{"a.txt", "Other/a.txt"}));
}

// Exact names extract the entry stored under them alone, whatever "*" or "?" they hold; what
// names nothing is reported once per item, before the extraction starts.
TEST_F(ReaderFixture, ExactNamesAndNamesThatSelectNothing) {
    open(ArchiveBuilder()
             .addStored("a*b?.txt", "literal")
             .addStored("axxb1.txt", "other")
             .addStored("Notes.txt", "upper")
             .addStored("Data/", "")
             .build());
    std::vector<std::string> events;
    reader.OnNoSuchEntry = [&](const std::string& name) { events.push_back("missing " + name); };
    reader.OnStartUnZipInfo = [&](int count, std::uint64_t, bool&) {
        events.push_back("start " + std::to_string(count));
    };
    reader.ExactNames = {"a*b?.txt", "notes.txt", "Data/"};
    reader.FilesList = {"*.md", "NOTES.TXT"};
    EXPECT_EQ(reader.UnZip(), 2);
    EXPECT_EQ(events, (std::vector<std::string>{"missing *.md", "missing notes.txt", "start 2"}));
    using Files = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(treeOf(out), (Files{{"Notes.txt", "upper"}, {"a*b?.txt", "literal"}}));
    EXPECT_TRUE(reader.ExactNames.empty());
}

TEST_F(ReaderFixture, OverwriteModesCompareTimeStamps) {
    open(ArchiveBuilder().addStored("f.txt", "from archive").build());
    reader.DoAll = true;
    std::time_t entryTime = toTimeT(DateTime{2020, 5, 17, 10, 30, 0});
    auto reset = [&](std::time_t when) {
        writeFile(out / "f.txt", "on disk");
        setModificationTime(out / "f.txt", when);
    };
    std::vector<TSkipReason> skips;
    reader.OnSkippingFile = [&](TSkipReason r, const std::string&, int, bool&) { skips.push_back(r); };
    struct Case {
        TUZOverwriteMode mode;
        std::time_t fileTime;
        bool replaced;
    };
    for (Case c : {Case{Never, entryTime - 100, false}, Case{Always, entryTime + 100, true},
                   Case{ifNewer, entryTime, false}, Case{ifNewer, entryTime - 100, true},
                   Case{ifOlder, entryTime, false}, Case{ifOlder, entryTime + 100, true}}) {
        reset(c.fileTime);
        reader.OverwriteMode = c.mode;
        reader.DoAll = true;
        EXPECT_EQ(reader.UnZip(), c.replaced ? 1 : 0) << c.mode;
        EXPECT_EQ(readFile(out / "f.txt"), c.replaced ? "from archive" : "on disk") << c.mode;
    }
    EXPECT_EQ(skips, std::vector<TSkipReason>(3, SkipNoOverwrite));

    // Prompt: the handler decides, else the built-in question, else the file is kept.
    reset(entryTime);
    reader.OverwriteMode = Prompt;
    reader.DoAll = true;
    EXPECT_EQ(reader.UnZip(), 0);
    ScriptedPrompts prompts;
    prompts.answer = true;
    reader.prompts = &prompts;
    reader.DoAll = true;
    EXPECT_EQ(reader.UnZip(), 1);
    // The question names the stored file and says where it is and how the two copies differ.
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0], "Replace existing file f.txt?\r\r" + (out / "f.txt").string() +
                                    "\rExisting file:     2020-05-17 10:30:00, 7 bytes"
                                    "\rFrom the archive:  2020-05-17 10:30:00, 12 bytes");
    reset(entryTime);
    reader.OnPromptForOverwrite = [](bool& overwrite, int, std::string&) { overwrite = false; };
    reader.DoAll = true;
    EXPECT_EQ(reader.UnZip(), 0);
}

// "Yes to all" and "No to all" answer the overwrite questions of the rest of one extraction; the
// next extraction asks again. Prompts that offer only Yes and No are asked each time.
TEST_F(ReaderFixture, ToAllAnswersHoldForTheRestOfOneExtraction) {
    ArchiveBuilder builder;
    for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt"})
        builder.addStored(name, std::string("new ") + name);
    open(builder.build());
    auto putOldFiles = [&] {
        for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt"})
            writeFile(out / name, "old");
    };
    auto contents = [&] {
        std::string all;
        for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt"})
            all += readFile(out / name) + "|";
        return all;
    };
    ScriptedPrompts prompts;
    reader.prompts = &prompts;
    reader.OverwriteMode = Prompt;

    putOldFiles();
    prompts.toAll = {ToAllAnswer::No, ToAllAnswer::YesToAll};
    reader.DoAll = true;
    EXPECT_EQ(reader.UnZip(), 3);
    EXPECT_EQ(contents(), "old|new b.txt|new c.txt|new d.txt|");
    EXPECT_EQ(prompts.asked.size(), 2u);

    putOldFiles();
    prompts.asked.clear();
    prompts.toAll = {ToAllAnswer::Yes, ToAllAnswer::NoToAll};
    reader.DoAll = true;
    EXPECT_EQ(reader.UnZip(), 1);
    EXPECT_EQ(contents(), "new a.txt|old|old|old|");
    EXPECT_EQ(prompts.asked.size(), 2u);

    // Plain Yes/No prompts: every file is asked about.
    putOldFiles();
    prompts.asked.clear();
    prompts.answer = false;
    reader.DoAll = true;
    EXPECT_EQ(reader.UnZip(), 0);
    EXPECT_EQ(prompts.asked.size(), 4u);
    EXPECT_EQ(contents(), "old|old|old|old|");
}

TEST_F(ReaderFixture, ReadOnlyFilesNeedReplaceReadOnly) {
    open(ArchiveBuilder().addStored("f.txt", "new").build());
    writeFile(out / "f.txt", "old");
    fs::permissions(out / "f.txt", fs::perms::owner_read);
    reader.OverwriteMode = Always;
    reader.DoAll = true;
    EXPECT_EQ(reader.UnZip(), 0);
    EXPECT_EQ(readFile(out / "f.txt"), "old");
    reader.ReplaceReadOnly = true;
    reader.DoAll = true;
    EXPECT_EQ(reader.UnZip(), 1);
    EXPECT_EQ(readFile(out / "f.txt"), "new");
}

TEST_F(ReaderFixture, PasswordsAndRetries) {
    writeFile(dir / "src/secret.txt", compressibleText(4000, 7));
    writeFile(dir / "src/open.txt", "open");
    TZipWriter writer;
    writer.setZipName(archive);
    writer.Password = "right";
    writer.FilesList = {(dir / "src/secret.txt").string()};
    writer.Zip();
    // Append an unencrypted entry in a second archive to mix both kinds.
    reader.setZipName(archive);
    reader.setDestDir(out.string());
    reader.Password = "wrong";
    reader.DoAll = true;
    std::vector<TSkipReason> skips;
    reader.OnSkippingFile = [&](TSkipReason r, const std::string&, int, bool&) { skips.push_back(r); };
    EXPECT_EQ(reader.UnZip(), 0);
    EXPECT_EQ(skips, std::vector<TSkipReason>{SkipBadPassword});
    EXPECT_FALSE(fs::exists(out / "secret.txt"));

    std::vector<std::string> offered;
    reader.OnBadPassword = [&](int, std::string& password) {
        offered.push_back(password);
        password = offered.size() == 1 ? "still wrong" : "right";
    };
    reader.DoAll = true;
    EXPECT_EQ(reader.UnZip(), 1);
    EXPECT_EQ(offered, (std::vector<std::string>{"wrong", "still wrong"}));
    EXPECT_EQ(readFile(out / "secret.txt"), readFile(dir / "src/secret.txt"));
    EXPECT_TRUE(reader.testEntry(0).ok);
}

TEST_F(ReaderFixture, EventsPermissionsAndTimes) {
    TZipHeaderInfo e = ArchiveBuilder::entryFor("bin/tool", "#!/bin/sh\n", 0);
    e.externalAttributes = (0104755u << 16) | 0x20; // setuid must never come back
    open(ArchiveBuilder().addRaw(e, "#!/bin/sh\n").build());
    reader.DoAll = true;
    reader.RecreateDirs = true;
    std::vector<std::string> log;
    reader.OnStartUnZipInfo = [&](int n, std::uint64_t total, bool&) {
        log.push_back("info " + std::to_string(n) + " " + std::to_string(total));
    };
    reader.OnStartUnZip = [&](int, std::string& name, bool&) { log.push_back("start " + name); };
    reader.OnTotalPercentDone = [&](int p) { log.push_back("total " + std::to_string(p)); };
    reader.OnEndUnZip = [&](int, const std::string&) { log.push_back("end"); };
    reader.OnUnZipComplete = [&](int n) { log.push_back("complete " + std::to_string(n)); };
    EXPECT_EQ(reader.UnZip(), 1);
    EXPECT_EQ(log, (std::vector<std::string>{"info 1 10", "start " + (out / "bin/tool").string(), "total 100", "end",
                                             "complete 1"}));
    auto perms = fs::status(out / "bin/tool").permissions();
    EXPECT_EQ(perms, fs::perms(0755));
    auto written = fs::last_write_time(out / "bin/tool");
    auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::file_clock::to_sys(written).time_since_epoch());
    EXPECT_EQ(seconds.count(), toTimeT(DateTime{2020, 5, 17, 10, 30, 0}));
}

TEST_F(ReaderFixture, NamesFromMsDosHostsAreCodePage437) {
    TZipHeaderInfo e = ArchiveBuilder::entryFor("x", "data", 0);
    e.versionMadeBy = 20; // MS-DOS host, no UTF-8 flag
    e.fileName = "\x81"
                 "ber\\na\x8bve.txt"; // "über" + "\\" + "naïve.txt"
    open(ArchiveBuilder().addRaw(e, "data").build());
    reader.ReadZip();
    EXPECT_EQ(reader.Pathname(0), "\xc3\xbc"
                                  "ber/");
    EXPECT_EQ(reader.Filename(0), "na\xc3\xafve.txt");
    reader.OEMConvert = false;
    reader.setZipName("");
    open(ArchiveBuilder().addRaw(e, "data").build());
    reader.ReadZip();
    EXPECT_EQ(reader.Pathname(0), "\x81"
                                  "ber/");
}
