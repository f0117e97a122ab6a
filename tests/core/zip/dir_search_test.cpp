#include "core/zip/dir_search.h"

#include "support/test_support.h"

#include <algorithm>
#include <gtest/gtest.h>

using namespace quorvel;
using namespace quorvel::test;

namespace {

std::vector<std::string> walk(const std::string& folder, bool recurse, const std::string& mask, const fs::path& base) {
    TDirSearch search(folder, recurse, mask);
    TDirSearch::Hit hit;
    std::vector<std::string> paths;
    while (search.next(hit))
        paths.push_back(hit.path.substr(base.string().size() + 1));
    return paths;
}

} // namespace

TEST(TDirSearch, FlatAndRecursiveWalks) {
    TempDir dir;
    writeFile(dir / "a.txt", "1");
    writeFile(dir / "readme", "22");
    writeFile(dir / "sub/b.txt", "333");
    writeFile(dir / "sub/inner/c.doc", "4");
    std::string root = dir.path().string();

    auto flat = walk(root, false, "*", dir.path());
    std::sort(flat.begin(), flat.end());
    EXPECT_EQ(flat, (std::vector<std::string>{"a.txt", "readme"}));

    EXPECT_EQ(walk(root, false, "*.", dir.path()), std::vector<std::string>{"readme"});

    auto deep = walk(root, true, "*.txt", dir.path());
    // Folders come before their contents.
    auto sub = std::find(deep.begin(), deep.end(), "sub/");
    auto b = std::find(deep.begin(), deep.end(), "sub/b.txt");
    ASSERT_NE(sub, deep.end());
    ASSERT_NE(b, deep.end());
    EXPECT_LT(sub, b);
    EXPECT_NE(std::find(deep.begin(), deep.end(), "sub/inner/"), deep.end());
    EXPECT_EQ(std::count_if(deep.begin(), deep.end(), [](const std::string& p) { return p.back() != '/'; }), 2);
}

TEST(TDirSearch, FolderMasksSelectLevels) {
    TempDir dir;
    writeFile(dir / "u1/Docs/a.txt", "1");
    writeFile(dir / "u2/Docs/b.txt", "1");
    writeFile(dir / "u2/Other/c.txt", "1");
    writeFile(dir / "x.txt", "1");
    auto hits = walk((dir.path() / "u*" / "Docs").string(), false, "*.txt", dir.path());
    std::sort(hits.begin(), hits.end());
    EXPECT_EQ(hits, (std::vector<std::string>{"u1/Docs/a.txt", "u2/Docs/b.txt"}));
}

TEST(TDirSearch, NeverFollowsFolderLinksAndHasNoDepthLimit) {
    TempDir dir;
    fs::path deep = dir.path();
    for (int i = 0; i < 40; ++i)
        deep /= "d";
    writeFile(deep / "bottom.txt", "x");
    fs::create_directory_symlink(dir.path(), dir / "loop");
    fs::create_directory_symlink(dir.path() / "d", dir / "d" / "again");
    writeFile(dir / "target.txt", "t");
    fs::create_symlink(dir / "target.txt", dir / "file-link.txt");

    auto hits = walk(dir.path().string(), true, "*.txt", dir.path());
    std::string bottom = fs::relative(deep / "bottom.txt", dir.path()).string();
    EXPECT_NE(std::find(hits.begin(), hits.end(), bottom), hits.end());
    EXPECT_NE(std::find(hits.begin(), hits.end(), "file-link.txt"), hits.end());
    for (const std::string& hit : hits) {
        EXPECT_EQ(hit.find("loop"), std::string::npos) << hit;
        EXPECT_EQ(hit.find("again"), std::string::npos) << hit;
    }
}

TEST(TDirSearch, MissingFolderYieldsNothing) {
    TDirSearch search("/nonexistent/folder/for/sure", true, "*");
    TDirSearch::Hit hit;
    EXPECT_FALSE(search.next(hit));
}
