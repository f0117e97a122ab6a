#include "core/find/file_finder.h"
#include "support/test_support.h"

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>

using namespace quorvel;
using namespace quorvel::test;
using enum TFileAttribute;

namespace {

struct Hit {
    std::string folder;
    TSearchRec info;
};

// Records every event of a finder.
struct Recorder {
    explicit Recorder(TFileFinder& finder) {
        finder.OnFound = [this](const std::string& folder, TSearchRec& info) { hits.push_back({folder, info}); };
        finder.OnNewFolder = [this](const std::string& folder, bool&) { folders.push_back(folder); };
        finder.OnComplete = [this] { ++completed; };
    }
    std::vector<std::string> names() const {
        std::vector<std::string> result;
        for (const Hit& hit : hits)
            result.push_back(hit.info.name);
        std::sort(result.begin(), result.end());
        return result;
    }
    std::vector<Hit> hits;
    std::vector<std::string> folders;
    int completed = 0;
};

using Names = std::vector<std::string>;

} // namespace

TEST(FileFinder, SettersRejectFoldersInTheMaskAndWildcardsInTheLocationKeepingTheOldValue) {
    TFileFinder finder;
    finder.setFilename("*.zip");
    finder.setLocation("/tmp;/var");
    auto messageOf = [](const std::function<void()>& set) -> std::string {
        try {
            set();
        } catch (const EFileFinderError& e) {
            return e.what();
        }
        return "no error";
    };
    EXPECT_EQ(messageOf([&] { finder.setFilename("sub/*.zip"); }), "sub/*.zip\n\rInvalid filename specified");
    EXPECT_EQ(messageOf([&] { finder.setLocation("/tmp/b?ckup"); }),
              "/tmp/b?ckup\n\rlocation cannot to be contained wildcards");
    EXPECT_THROW(finder.setLocation("/tmp/*"), EFileFinderError);
    EXPECT_EQ(finder.Filename(), "*.zip");
    EXPECT_EQ(finder.Location(), "/tmp;/var");
}

TEST(FileFinder, ZipMaskWithoutSubfoldersFindsEveryCaseInThatFolderOnly) {
    TempDir dir;
    writeFile(dir / "a.zip", "1");
    writeFile(dir / "B.ZIP", "22");
    writeFile(dir / "c.Zip", "333");
    writeFile(dir / "d.zip.bak", "");
    writeFile(dir / "notes.txt", "");
    writeFile(dir / ".hidden.zip", "");
    writeFile(dir / "sub" / "e.zip", "");
    fs::create_directory(dir / "folder.zip");
    TFileFinder finder;
    Recorder rec(finder);
    finder.setFilename("*.zip");
    finder.Subfolders = false;
    finder.setLocation(dir.path().string());
    finder.Execute();
    EXPECT_EQ(rec.names(), (Names{"B.ZIP", "a.zip", "c.Zip"}));
    for (const Hit& hit : rec.hits)
        EXPECT_EQ(hit.folder, dir.path().string());
    EXPECT_EQ(rec.folders, Names{dir.path().string()});
    EXPECT_EQ(rec.completed, 1);
}

TEST(FileFinder, SearchRecordCarriesSizeAttributesAndBothTimeForms) {
    TempDir dir;
    writeFile(dir / "r.dat", std::string(1234, 'r'));
    const DateTime when{2023, 7, 14, 9, 26, 53};
    setModificationTime(dir / "r.dat", toTimeT(when));
    fs::permissions(dir / "r.dat", fs::perms::owner_read | fs::perms::group_read);
    TFileFinder finder;
    Recorder rec(finder);
    finder.setLocation(dir.path().string());
    finder.Execute();
    ASSERT_EQ(rec.hits.size(), 1u);
    const TSearchRec& info = rec.hits[0].info;
    EXPECT_EQ(info.size, 1234u);
    EXPECT_EQ(info.attributes, (TFileAttributes{ffArchive, ffReadonly}));
    EXPECT_EQ(info.modified, when);
    EXPECT_EQ(fromDosDateTime(info.dosTime), (DateTime{2023, 7, 14, 9, 26, 52}));
}

TEST(FileFinder, StarListsFilesAndFoldersButNothingStartingWithADot) {
    TempDir dir;
    writeFile(dir / "README", "");
    writeFile(dir / "a.txt", "");
    writeFile(dir / ".config", "");
    fs::create_directory(dir / "docs");
    fs::create_directory(dir / ".git");
    writeFile(dir / ".git" / "HEAD", "");
    TFileFinder finder;
    Recorder rec(finder);
    finder.setFilename("*");
    finder.Subfolders = false;
    finder.Attributes = TFileAttributes::all();
    finder.setLocation(dir.path().string());
    finder.Execute();
    EXPECT_EQ(rec.names(), (Names{"README", "a.txt", "docs"}));
    auto docs = std::find_if(rec.hits.begin(), rec.hits.end(), [](const Hit& h) { return h.info.name == "docs"; });
    ASSERT_NE(docs, rec.hits.end());
    EXPECT_TRUE(docs->info.attributes.contains(ffDirectory));

    finder.Attributes = {ffArchive};
    rec.hits.clear();
    finder.Execute();
    EXPECT_EQ(rec.names(), (Names{"README", "a.txt"}));
}

TEST(FileFinder, RootFolderKeepsItsSlash) {
    TFileFinder finder;
    Recorder rec(finder);
    finder.setFilename("*");
    finder.Subfolders = false;
    finder.Attributes = TFileAttributes::all();
    finder.setLocation("/");
    finder.Execute();
    ASSERT_FALSE(rec.hits.empty());
    EXPECT_EQ(rec.hits[0].folder, "/");
    EXPECT_EQ(rec.folders, Names{"/"});
}

TEST(FileFinder, AFolderNamedTwiceIsSearchedOnce) {
    TempDir dir;
    writeFile(dir / "x.txt", "");
    TFileFinder finder;
    Recorder rec(finder);
    const std::string folder = dir.path().string();
    finder.setLocation(folder + ";" + folder + "/;" + folder + "/./");
    finder.Execute();
    EXPECT_EQ(rec.folders, Names{folder});
    EXPECT_EQ(rec.names(), Names{"x.txt"});
}

TEST(FileFinder, FoldersDifferingInCaseAreBothSearched) {
    TempDir dir;
    writeFile(dir / "Data" / "1.txt", "");
    writeFile(dir / "data" / "2.txt", "");
    TFileFinder finder;
    Recorder rec(finder);
    finder.setLocation((dir / "Data").string() + ";" + (dir / "data").string());
    finder.Execute();
    EXPECT_EQ(rec.names(), (Names{"1.txt", "2.txt"}));
}

TEST(FileFinder, EmptyAndMissingFoldersStillComplete) {
    TempDir dir;
    fs::create_directory(dir / "empty");
    TFileFinder finder;
    Recorder rec(finder);
    finder.setLocation((dir / "empty").string() + ";" + (dir / "missing").string());
    finder.Execute();
    EXPECT_TRUE(rec.hits.empty());
    EXPECT_EQ(rec.completed, 1);
    EXPECT_FALSE(finder.Busy());
}

TEST(FileFinder, AFoldersOwnHitsComeBeforeThoseOfItsSubfoldersAndIgnoredFoldersAreSkipped) {
    TempDir dir;
    writeFile(dir / "a" / "deep.txt", "");
    writeFile(dir / "b" / "deeper" / "deepest.txt", "");
    writeFile(dir / "skip" / "never.txt", "");
    writeFile(dir / ".cache" / "never.txt", "");
    writeFile(dir / "top1.txt", "");
    writeFile(dir / "top2.txt", "");
    fs::create_directory_symlink(dir.path(), dir / "loop");
    TFileFinder finder;
    Recorder rec(finder);
    finder.OnNewFolder = [&](const std::string& folder, bool& ignore) {
        rec.folders.push_back(folder);
        ignore = folder.ends_with("/skip");
    };
    finder.setFilename("*.txt");
    finder.setLocation(dir.path().string());
    finder.Execute();
    ASSERT_EQ(rec.hits.size(), 4u);
    EXPECT_TRUE(rec.hits[0].info.name.starts_with("top"));
    EXPECT_TRUE(rec.hits[1].info.name.starts_with("top"));
    EXPECT_EQ(rec.names(), (Names{"deep.txt", "deepest.txt", "top1.txt", "top2.txt"}));
    EXPECT_EQ(rec.folders.size(), 5u); // root, a, b, b/deeper, skip (reported, then ignored)
    EXPECT_EQ(rec.folders.front(), dir.path().string());
}

TEST(FileFinder, FilterOptionsApplyDuringTheWalk) {
    TempDir dir;
    writeFile(dir / "small.txt", "abc");
    writeFile(dir / "large.txt", std::string(5000, 'a') + "secret");
    writeFile(dir / "old.txt", std::string(5000, 'b'));
    setModificationTime(dir / "old.txt", toTimeT({2001, 1, 1, 0, 0, 0}));
    writeFile(dir / "sub" / "skip.tmp", std::string(5000, 'c'));
    TFileFinder finder;
    Recorder rec(finder);
    finder.setLocation(dir.path().string());
    finder.SizeMin = 100;
    finder.ExcludeFiles = {"sub/*.tmp"};
    finder.ModifiedAfter = TimeBound::date(2010, 1, 1);
    finder.Execute();
    EXPECT_EQ(rec.names(), Names{"large.txt"});

    finder.ModifiedAfter = {};
    finder.ExcludeFiles.clear();
    finder.Containing = "SECRET";
    rec.hits.clear();
    finder.Execute();
    EXPECT_EQ(rec.names(), Names{"large.txt"});
}
