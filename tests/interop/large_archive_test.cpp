// A file beyond 4 GiB must round-trip through Zip64 fields. The file is sparse (zeros), written
// at level 1, and compared by streaming, so the test stays quick and needs little disk.
#include "core/zip/zip_writer.h"

#include "interop_helpers.h"

#include <fcntl.h>
#include <unistd.h>

using namespace quorvel;
using namespace quorvel::test;

TEST(LargeArchive, FileBeyondFourGiBRoundTrips) {
    REQUIRE_PEERS();
    TempDir dir;
    const std::uint64_t size = (4ull << 30) + 65536 + 3;
    fs::path big = dir / "big.img";
    writeFile(big, "");
    fs::resize_file(big, size);
    writeFile(dir / "small.txt", "after the big one");

    fs::path archive = dir / "large.zip";
    TZipWriter writer;
    writer.setZipName(archive.string());
    writer.PackLevel = 1;
    writer.FilesList = {big.string(), (dir / "small.txt").string()};
    ASSERT_EQ(writer.Zip(), 2);
    ASSERT_EQ(writer.Count(), 2);
    EXPECT_EQ(writer.UnCompressedSize(0), size);
    EXPECT_EQ(writer.Entry(0).versionNeeded, 45);
    EXPECT_TRUE(writer.testEntry(0).ok);
    EXPECT_TRUE(writer.testEntry(1).ok);

    runOk({"unzip", "-tq", archive.string()});
    runOk({"7zz", "t", archive.string()});
    // Streamed comparisons: every byte of the big entry is zero and the count is exact.
    std::string check = "import sys, zipfile\nz = zipfile.ZipFile(sys.argv[1])\nassert z.testzip() is None\n"
                        "n = 0\nwith z.open('big.img') as f:\n"
                        "    while True:\n        b = f.read(1 << 20)\n        if not b: break\n"
                        "        assert b.count(0) == len(b)\n        n += len(b)\n"
                        "assert n == int(sys.argv[2]), n\nassert z.read('small.txt') == b'after the big one'\n";
    runOk({Python, "-c", check, archive.string(), std::to_string(size)});
    runOk({"sh", "-c", "unzip -p \"$1\" big.img | cmp -s - \"$2\"", "sh", archive.string(), big.string()});
}
