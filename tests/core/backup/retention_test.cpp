#include "core/backup/retention.h"

#include "core/util/errors.h"
#include "support/test_support.h"

#include <algorithm>
#include <gtest/gtest.h>

using namespace quorvel;
using namespace quorvel::test;

namespace {

class RetentionTest : public ::testing::Test {
protected:
    std::string archive(int n) const { return (m_dir / "out" / ("Docs" + std::to_string(n) + ".zip")).string(); }

    // A run of the project: writes its archive, then records it with the given limit.
    void run(int n, int limit) {
        writeFile(archive(n), "zip " + std::to_string(n));
        m_change = ApplyRetention(m_store, "Docs", archive(n), limit, m_owner);
    }

    void runWith(const std::string& path, int limit) {
        writeFile(path, "zip");
        m_change = ApplyRetention(m_store, "Docs", path, limit, m_owner, [&](const fs::path& p) {
            m_removed.push_back(p.string());
            return removeArchiveFile(p);
        });
    }

    bool exists(int n) const { return fs::exists(archive(n)); }
    std::string slot(int n) const { return m_store.readString("Docs", "N" + std::to_string(n), "(missing)"); }
    int key(const char* name) const { return m_store.readInteger("Docs", name, -1); }

    TempDir m_dir;
    IniFile m_store{m_dir / "StoreNumber.txt"};
    ArchiveOwner m_owner{(m_dir / "out").string() + "/", "Docs"};
    RingChange m_change; // of the last run
    std::vector<std::string> m_removed;
};

} // namespace

TEST_F(RetentionTest, KeepsTheLastThreeOverFiveRuns) {
    for (int n = 1; n <= 3; ++n)
        run(n, 3);
    EXPECT_TRUE(exists(1) && exists(2) && exists(3));
    run(4, 3);
    EXPECT_FALSE(exists(1));
    EXPECT_TRUE(exists(2));
    run(5, 3);
    EXPECT_FALSE(exists(2));
    EXPECT_TRUE(exists(3) && exists(4) && exists(5));

    EXPECT_EQ(key("Max"), 3);
    EXPECT_EQ(key("Head"), 2);
    EXPECT_EQ(slot(1), archive(4));
    EXPECT_EQ(slot(2), archive(5));
    EXPECT_EQ(slot(3), archive(3));
}

TEST_F(RetentionTest, LoweringTheLimitRepacksAndRemovesTheOldest) {
    for (int n = 1; n <= 5; ++n)
        run(n, 5);
    run(6, 2);
    for (int n = 1; n <= 4; ++n)
        EXPECT_FALSE(exists(n)) << n;
    EXPECT_TRUE(exists(5) && exists(6));
    EXPECT_EQ(key("Max"), 2);
    EXPECT_EQ(key("Head"), 1);
    EXPECT_EQ(slot(1), archive(6));
    EXPECT_EQ(slot(2), archive(5));
    // Slots past the new size are emptied, so raising the limit again finds nothing stale.
    EXPECT_EQ(slot(3), "(missing)");
    EXPECT_EQ(slot(5), "(missing)");
}

TEST_F(RetentionTest, RaisingTheLimitTakesEffectOneRunAtATime) {
    for (int n = 1; n <= 3; ++n)
        run(n, 2); // keeps 2 and 3, N1 = 3, N2 = 2, Head 1
    run(4, 4);     // the head still passes slot 2 and removes its archive
    EXPECT_FALSE(exists(2));
    EXPECT_TRUE(exists(3) && exists(4));
    run(5, 4);
    run(6, 4);
    EXPECT_TRUE(exists(3) && exists(4) && exists(5) && exists(6));
    run(7, 4);
    EXPECT_FALSE(exists(3));
    EXPECT_TRUE(exists(4) && exists(7));
    EXPECT_EQ(key("Max"), 4);
    EXPECT_EQ(key("Head"), 1);
}

TEST_F(RetentionTest, LimitIsTakenWithinItsBounds) {
    EXPECT_EQ(clampRetentionLimit(-3), 2);
    EXPECT_EQ(clampRetentionLimit(1), 2);
    EXPECT_EQ(clampRetentionLimit(50001), 50000);

    run(1, 0);
    run(2, 1);
    run(3, -7);
    EXPECT_EQ(key("Max"), 2);
    EXPECT_FALSE(exists(1));
    EXPECT_TRUE(exists(2) && exists(3));
    run(4, 1 << 30); // raised: the head still passes the old slot 2
    EXPECT_EQ(key("Max"), 50000);
    EXPECT_EQ(key("Head"), 2);
    EXPECT_FALSE(exists(2));
    EXPECT_TRUE(exists(3) && exists(4));
}

TEST_F(RetentionTest, TheArchiveJustWrittenIsNeverRemoved) {
    const std::string same = archive(1);
    runWith(same, 2);
    runWith(archive(2), 2);
    // The same path again, spelt differently: it must not take the new archive.
    runWith((m_dir / "out" / "." / "Docs1.zip").string(), 2);
    EXPECT_TRUE(fs::exists(same));
    EXPECT_TRUE(m_removed.empty());
    EXPECT_EQ(slot(1), archive(2));
    EXPECT_EQ(slot(2), (m_dir / "out" / "." / "Docs1.zip").string()); // now the newest
    EXPECT_EQ(key("Head"), 2);
}

TEST_F(RetentionTest, AnArchiveStillNamedByAnotherSlotIsKept) {
    // The running number stayed put for two runs with overwriting on: X is in two slots.
    const std::string x = archive(1);
    runWith(x, 3);
    runWith(x, 3);
    runWith(archive(2), 3);
    runWith(archive(3), 3); // takes slot 1 from X, which slot 2 still keeps
    EXPECT_TRUE(fs::exists(x));
    EXPECT_TRUE(m_removed.empty());
    runWith(archive(4), 3); // slot 2 goes too: now X has left the ring
    EXPECT_FALSE(fs::exists(x));
    EXPECT_EQ(m_removed, std::vector<std::string>{x});
}

TEST_F(RetentionTest, AnArchiveThatCannotBeRemovedIsPassedOverAndTheRingAdvances) {
    std::vector<std::string> attempts;
    const ArchiveRemover failing = [&](const fs::path& p) {
        attempts.push_back(p.string());
        return false;
    };
    for (int n = 1; n <= 3; ++n) {
        writeFile(archive(n), "zip");
        ApplyRetention(m_store, "Docs", archive(n), 2, m_owner, failing);
    }
    EXPECT_EQ(attempts, std::vector<std::string>{archive(1)});
    EXPECT_TRUE(exists(1));
    EXPECT_EQ(key("Head"), 1);
    EXPECT_EQ(slot(1), archive(3));

    // The default remover leaves a folder alone and reports a missing file as not removed.
    fs::create_directories(m_dir / "folder.zip");
    EXPECT_FALSE(removeArchiveFile(m_dir / "folder.zip"));
    EXPECT_TRUE(fs::is_directory(m_dir / "folder.zip"));
    EXPECT_FALSE(removeArchiveFile(m_dir / "gone.zip"));
}

TEST_F(RetentionTest, EmptySlotsOfARepackAreWrittenAsNoFileAndNeverRemoved) {
    writeFile(m_dir / "StoreNumber.txt", "[Docs]\nMax=5\nHead=2\nN1=" + archive(1) + "\nN2=" + archive(2) + "\n");
    writeFile(archive(1), "zip");
    writeFile(archive(2), "zip");
    const fs::path cwd = fs::current_path();
    fs::current_path(m_dir.path());
    writeFile(m_dir / "NoFile3", "not an archive");
    runWith(archive(9), 3);
    fs::current_path(cwd);

    // Oldest first the ring read NoFile3, NoFile4, NoFile5, N1, N2: the re-pack drops the first
    // two and keeps NoFile5 in slot 1, which the new archive then takes. No file is touched.
    EXPECT_TRUE(fs::exists(m_dir / "NoFile3"));
    EXPECT_TRUE(m_removed.empty());
    EXPECT_EQ(slot(1), archive(9));
    EXPECT_EQ(slot(2), archive(1));
    EXPECT_EQ(slot(3), archive(2));
    EXPECT_EQ(slot(4), "(missing)");
    EXPECT_EQ(key("Head"), 1);
}

TEST_F(RetentionTest, AFailedRingWriteRemovesNothing) {
    writeFile(m_dir / "not-a-folder", "x");
    IniFile store(m_dir / "not-a-folder" / "StoreNumber.txt");
    int calls = 0;
    EXPECT_THROW(ApplyRetention(store, "Docs", archive(1), 2, m_owner,
                                [&](const fs::path&) {
                                    ++calls;
                                    return true;
                                }),
                 IoError);
    EXPECT_EQ(calls, 0);
}

namespace {

std::vector<std::string> slots(const IniFile& store, int max) {
    std::vector<std::string> names;
    for (int n = 1; n <= max; ++n) {
        const std::string value = store.readString("Docs", "N" + std::to_string(n));
        if (!value.empty())
            names.push_back(value);
    }
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

// The same name written again (the number set back, or two runs in one second with the date
// suffix) replaced that archive: the ring holds it once, as the newest, and no other archive has
// to go for it.
TEST_F(RetentionTest, TheSameArchiveAgainIsHeldOnceAsTheNewest) {
    for (int n = 1; n <= 3; ++n)
        run(n, 3);
    run(2, 3);
    EXPECT_TRUE(exists(1) && exists(2) && exists(3));
    EXPECT_EQ(slots(m_store, 3), (std::vector<std::string>{archive(1), archive(2), archive(3)}));
    run(4, 3); // the oldest is 1 now
    EXPECT_FALSE(exists(1));
    EXPECT_TRUE(exists(2) && exists(3) && exists(4));
    run(5, 3);
    EXPECT_FALSE(exists(3));
    EXPECT_TRUE(exists(2) && exists(4) && exists(5));
}

// StoreNumber.txt edited or damaged: retention removes nothing but archives this project could
// have written, regular files in its folder named with its prefix.
TEST_F(RetentionTest, OnlyArchivesOfTheProjectAreEverRemoved) {
    const fs::path document = m_dir / "home/thesis.odt";
    writeFile(document, "years of work");
    const fs::path other = m_dir / "out/Other1.zip";
    writeFile(other, "another project's archive");
    const fs::path unlike = m_dir / "out/Docs-final.zip";
    writeFile(unlike, "named by the user");
    const fs::path notes = m_dir / "home/notes.txt";
    writeFile(notes, "notes");
    const fs::path link = m_dir / "out/Docs7.zip";
    fs::create_directories(link.parent_path());
    fs::create_symlink(notes, link);
    const fs::path folder = m_dir / "out/Docs8.zip";
    fs::create_directories(folder);
    const fs::path beside = m_dir / "elsewhere/Docs3.zip";
    writeFile(beside, "same name, other folder");
    writeFile(archive(9), "zip");
    writeFile(m_dir / "StoreNumber.txt", "[Docs]\nMax=7\nHead=7\nN1=" + document.string() + "\nN2=" + other.string() +
                                             "\nN3=" + unlike.string() + "\nN4=" + link.string() + "\nN5=" +
                                             folder.string() + "\nN6=" + beside.string() + "\nN7=" + archive(9) + "\n");
    std::vector<std::string> leftAlone;
    for (int n = 11; n <= 17; ++n) {
        run(n, 7);
        leftAlone.insert(leftAlone.end(), m_change.leftAlone.begin(), m_change.leftAlone.end());
    }
    EXPECT_EQ(leftAlone, (std::vector<std::string>{document.string(), other.string(), unlike.string(), link.string(),
                                                   folder.string(), beside.string()}));
    EXPECT_EQ(readFile(document), "years of work");
    EXPECT_EQ(readFile(notes), "notes");
    EXPECT_TRUE(fs::exists(other) && fs::exists(unlike) && fs::is_symlink(link) && fs::is_directory(folder) &&
                fs::exists(beside));
    EXPECT_FALSE(exists(9)); // an archive of the project still leaves the ring as before
    EXPECT_EQ(slots(m_store, 7).size(), 7u);
}

// Values no program of ours writes: the ring is taken as empty, and nothing is removed.
TEST_F(RetentionTest, ValuesOutOfRangeAreAnEmptyRing) {
    for (const char* values :
         {"Max=2\nHead=-1\n", "Max=2\nHead=3\n", "Max=0\nHead=0\n", "Max=1\nHead=1\n", "Max=90000\nHead=1\n"}) {
        writeFile(archive(1), "zip");
        writeFile(archive(2), "zip");
        writeFile(m_dir / "StoreNumber.txt",
                  std::string("[Docs]\n") + values + "N1=" + archive(1) + "\nN2=" + archive(2) + "\n");
        run(3, 2);
        EXPECT_TRUE(m_change.restarted);
        EXPECT_TRUE(exists(1) && exists(2)) << values;
        EXPECT_EQ(key("Max"), 2);
        EXPECT_EQ(key("Head"), 1);
        EXPECT_EQ(slot(1), archive(3));
        EXPECT_EQ(slot(2), "(missing)") << values;
    }
}

TEST(ArchiveOwner, TheNamesOfItsThreeSuffixesAndOfPiecesInItsFolder) {
    const ArchiveOwner owner{"/b/", " Docs "};
    for (const char* path : {"/b/Docs12.zip", "/b/Docs.zip", "/b/Docs12-07_23h16m06s.zip", "/b/Docs12.001",
                             "/b/./Docs3.zip", "/b//Docs3.zip"})
        EXPECT_TRUE(owner.mayHaveWritten(path)) << path;
    for (const char* path : {"/b/Docs12.ZIP", "/b/Docs-final.zip", "/b/Other1.zip", "/c/Docs1.zip", "/b/sub/Docs1.zip",
                             "Docs1.zip", "/b/Docs1.zip.bak", "/b/Docs1.zfc", "/b/Docs12-07.zip", "/b/Docs1.01",
                             "/b/../b2/Docs1.zip", "/b/.Docs1.zip.abcdefgh.part"})
        EXPECT_FALSE(owner.mayHaveWritten(path)) << path;
    EXPECT_FALSE((ArchiveOwner{"", "Docs"}.mayHaveWritten("/Docs1.zip")));
    EXPECT_TRUE((ArchiveOwner{"/", "Docs"}.mayHaveWritten("/Docs1.zip")));
}
