#include "core/platform/atomic_file.h"
#include "core/platform/data_folder.h"
#include "core/platform/disk_info.h"
#include "support/test_support.h"

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

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

// A write killed half-way leaves its temporary file; the next write of that file removes it, but
// never the temporary of a write under way in another process (it holds its lock) or of a write
// that began a moment ago.
TEST(AtomicFile, TheNextWriteRemovesWhatKilledWritesLeft) {
    TempDir dir;
    const std::time_t longAgo = 1600000000;
    for (const char* name : {".project.ini.AbC123", ".project.ini.L1veW8", ".log.txt.AbC123"}) {
        writeFile(dir / name, "half of it");
        setModificationTime(dir / name, longAgo);
    }
    writeFile(dir / ".project.ini.Young1", "just begun");
    const int live = ::open((dir / ".project.ini.L1veW8").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(live, LOCK_EX | LOCK_NB), 0);
    writeFileAtomically(dir / "project.ini", "[Common]\n");
    ::close(live);
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{".log.txt.AbC123", ".project.ini.L1veW8",
                                                             ".project.ini.Young1", "project.ini"}));
}

TEST(DiskInfo, AskingAboutAPathNotYetCreatedUsesItsNearestFolder) {
    TempDir dir;
    SystemDiskInfo disk;
    EXPECT_GT(disk.freeSpace(dir.path()), 0u);
    EXPECT_EQ(disk.driveType(dir / "not" / "yet" / "there"), disk.driveType(dir.path()));
    EXPECT_NE(disk.driveType(dir.path()), DriveType::CdRom);
}
