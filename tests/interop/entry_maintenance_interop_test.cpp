// Files added to and entries deleted from an archive on the Restore page leave an archive that the
// other tools test and extract, encrypted with the project's password.
#include "core/restore/archive_entry_maintenance.h"
#include "core/zip/zip_writer.h"

#include "interop_helpers.h"

using namespace quorvel;
using namespace quorvel::test;

TEST(EntryMaintenanceInterop, AddedAndDeletedEncryptedEntriesStayReadableByEveryTool) {
    REQUIRE_PEERS();
    TempDir dir;
    const fs::path zip = dir / "backup.zip";
    writeFile(dir / "src/kept.txt", compressibleText(60000, 7));
    writeFile(dir / "src/gone.bin", randomBytes(20000, 8));
    TZipWriter first;
    first.setZipName(zip.string());
    first.Password = "secret";
    first.FilesList = {(dir / "src/kept.txt").string(), (dir / "src/gone.bin").string()};
    ASSERT_EQ(first.Zip(), 2);

    writeFile(dir / "picked/new.bin", randomBytes(70000, 9));
    AnswersYes prompts;
    RunProgress progress;
    ProjectWriterSettings settings;
    settings.password = "secret";
    settings.packLevel = 9;
    EXPECT_EQ(addFilesToArchive(prompts, progress, zip.string(), {(dir / "picked/new.bin").string()}, settings), 1);
    EXPECT_EQ(deleteArchiveEntries(prompts, progress, zip.string(), {"gone.bin"}), 1);
    EXPECT_TRUE(prompts.shown.empty());

    runOk({"unzip", "-t", "-P", "secret", zip.string()});
    runOk({"7zz", "t", "-psecret", zip.string()});
    runOk({"unzip", "-q", "-P", "secret", "-d", (dir / "out").string(), zip.string()});
    runOk({Python, "-c",
           "import sys, zipfile\nz = zipfile.ZipFile(sys.argv[1])\nz.setpassword(b'secret')\n"
           "assert z.testzip() is None\nassert sorted(z.namelist()) == ['kept.txt', 'new.bin'], z.namelist()\n",
           zip.string()});
    EXPECT_EQ(readFile(dir / "out/kept.txt"), readFile(dir / "src/kept.txt"));
    EXPECT_EQ(readFile(dir / "out/new.bin"), readFile(dir / "picked/new.bin"));
    EXPECT_FALSE(fs::exists(dir / "out/gone.bin"));
}
