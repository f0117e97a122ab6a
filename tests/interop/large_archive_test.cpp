// A file beyond 4 GiB must round-trip through Zip64 fields. The file is sparse (zeros), written
// at level 1, and compared by streaming, so the test stays quick and needs little disk.
// Our own CRC check stands for the reader side; the peers check CRC and size, and one byte-compares.
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

    runOk({"7zz", "t", archive.string()});
    std::string check = "import sys, zipfile\nz = zipfile.ZipFile(sys.argv[1])\nassert z.testzip() is None\n"
                        "assert z.getinfo('big.img').file_size == int(sys.argv[2])\n"
                        "assert z.read('small.txt') == b'after the big one'\n";
    runOk({Python, "-c", check, archive.string(), std::to_string(size)});
    // unzip checks the CRC while it streams the data out; cmp checks every byte.
    runOk({"sh", "-c", "unzip -p \"$1\" big.img | cmp - \"$2\"", "sh", archive.string(), big.string()});
}
