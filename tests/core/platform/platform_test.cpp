#include "core/platform/atomic_file.h"
#include "core/platform/data_folder.h"
#include "core/platform/disk_info.h"
#include "support/test_support.h"

#include <cstdlib>
#include <gtest/gtest.h>

using namespace quorvel;
using namespace quorvel::test;

TEST(DataFolder, PortableMarkerBesideTheExecutableWins) {
    TempDir dir;
    ::setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
    EXPECT_EQ(resolveDataFolder(dir / "bin"), dir / "config" / "quorvel-backup");
    writeFile(dir / "bin" / "portable", "");
    EXPECT_EQ(resolveDataFolder(dir / "bin"), dir / "bin");
    ::setenv("XDG_CONFIG_HOME", "relative/not/allowed", 1);
    EXPECT_EQ(resolveDataFolder(dir / "elsewhere"), fs::path(homeFolder()) / ".config" / "quorvel-backup");
    ::unsetenv("XDG_CONFIG_HOME");
}

TEST(DataFolder, EnsureCreatesAPrivateFolder) {
    TempDir dir;
    ensureDataFolder(dir / "a" / "b");
    EXPECT_TRUE(fs::is_directory(dir / "a" / "b"));
    EXPECT_EQ(fs::status(dir / "a" / "b").permissions() & fs::perms::all, fs::perms::owner_all);
    EXPECT_EQ(homeFolder().back(), '/');
}

// Our data files hold passwords: one that an older version left readable by others is private
// again after its next write.
TEST(AtomicFile, ReplacesContentAndMakesTheFilePrivate) {
    TempDir dir;
    writeFile(dir / "f", "old");
    fs::permissions(dir / "f", fs::perms(0644));
    writeFileAtomically(dir / "f", "new");
    EXPECT_EQ(readFile(dir / "f"), "new");
    EXPECT_EQ(fs::status(dir / "f").permissions() & fs::perms::all, fs::perms(0600));
    writeFileAtomically(dir / "g", "created");
    EXPECT_EQ(fs::status(dir / "g").permissions() & fs::perms::all, fs::perms(0600));
    EXPECT_FALSE(readWholeFile(dir / "missing").has_value());
    EXPECT_EQ(readWholeFile(dir / "f"), "new");
}

TEST(DiskInfo, AskingAboutAPathNotYetCreatedUsesItsNearestFolder) {
    TempDir dir;
    SystemDiskInfo disk;
    EXPECT_GT(disk.freeSpace(dir.path()), 0u);
    EXPECT_EQ(disk.driveType(dir / "not" / "yet" / "there"), disk.driveType(dir.path()));
    EXPECT_NE(disk.driveType(dir.path()), DriveType::CdRom);
}
