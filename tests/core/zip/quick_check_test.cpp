// Sound entries are proven by a quick path (whole-buffer inflate for small entries, large chunks
// for big ones); anything doubtful is checked again by the streaming decoder. Checking the entries
// together must therefore give exactly what checking them one by one gives, lies included.
#include "core/zip/quick_entry_check.h"
#include "core/zip/zip_errors.h"
#include "core/zip/zip_writer.h"

#include "zip_test_helpers.h"

#include <gtest/gtest.h>

using namespace quorvel;
using namespace quorvel::test;

namespace {

struct Outcome {
    std::string name;
    bool ok;
    std::string message;
    std::uint32_t crc;
    bool operator==(const Outcome&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Outcome& o) {
    return out << o.name << (o.ok ? " ok " : " failed ") << o.message << " " << o.crc;
}

std::vector<Outcome> oneByOne(const std::string& archive, const std::string& password = {}) {
    TZipReader reader;
    reader.setZipName(archive);
    reader.Password = password;
    reader.ReadZip();
    std::vector<Outcome> out;
    for (int i = 0; i < reader.Count(); ++i) {
        TEntryCheck check = reader.testEntry(i);
        out.push_back({reader.Entry(i).storedName(), check.ok, check.message, check.calculatedCrc});
    }
    return out;
}

std::vector<Outcome> together(const std::string& archive, int threads, const std::string& password = {}) {
    TZipReader reader;
    reader.setZipName(archive);
    reader.Password = password;
    reader.Threads = threads;
    reader.ReadZip();
    std::vector<Outcome> out;
    reader.testEntries([&](int i, const TEntryCheck& check) {
        out.push_back({reader.Entry(i).storedName(), check.ok, check.message, check.calculatedCrc});
    });
    return out;
}

} // namespace

TEST(QuickCheck, AgreesWithTheStreamingCheckOnSoundAndLyingEntriesOfEverySize) {
    TempDir dir;
    const std::string archive = (dir / "lies.zip").string();
    ArchiveBuilder builder;
    addSoundAndLyingEntries(builder, "small/", compressibleText(70000, 3));
    // Past both whole-buffer limits: streamed in chunks.
    addSoundAndLyingEntries(
        builder, "big/",
        compressibleText(static_cast<std::size_t>(QuickEntryCheck::WholeUncompressedLimit) + 300000, 4));
    builder.addDeflated("big/noise.bin",
                        randomBytes(static_cast<std::size_t>(QuickEntryCheck::WholeCompressedLimit) + 5000, 5));
    builder.addDeflated("empty.txt", "");
    writeFile(archive, builder.build());

    const std::vector<Outcome> expected = oneByOne(archive);
    ASSERT_EQ(expected.size(), 20u);
    const std::string past = EBiggerThanUncompressed().what();
    for (const std::string prefix : {"small/", "big/"}) {
        auto outcome = [&](const std::string& name) {
            return *std::find_if(expected.begin(), expected.end(),
                                 [&](const Outcome& o) { return o.name == prefix + name; });
        };
        EXPECT_TRUE(outcome("sound.txt").ok) << prefix;
        EXPECT_TRUE(outcome("stored.txt").ok) << prefix;
        EXPECT_TRUE(outcome("long-local-extra.txt").ok) << prefix;
        EXPECT_EQ(outcome("inflates-past-size.txt").message, past) << prefix;
        EXPECT_EQ(outcome("inflates-short.txt").message, "CRC error") << prefix;
        EXPECT_EQ(outcome("wrong-crc.txt").message, "CRC error") << prefix;
        EXPECT_FALSE(outcome("cut-stream.txt").ok) << prefix;
        EXPECT_EQ(outcome("stored-past-size.txt").message, past) << prefix;
        EXPECT_EQ(outcome("stored-short.txt").message, "CRC error") << prefix;
    }
    EXPECT_EQ(together(archive, 1), expected);
    EXPECT_EQ(together(archive, 3), expected);
}

TEST(QuickCheck, AnArchiveCutShortInsideAnEntryFailsAsWhenCheckedAlone) {
    TempDir dir;
    const std::string archive = (dir / "cut.zip").string();
    ArchiveBuilder builder;
    builder.addDeflated("first.txt", compressibleText(50000, 1));
    // The directory claims more data than the file holds behind the local header.
    const std::string text = compressibleText(60000, 2);
    const std::string packed = ArchiveBuilder::deflateRaw(text);
    TZipHeaderInfo beyond = ArchiveBuilder::entryFor("beyond.txt", text, 8);
    beyond.compressedSize = packed.size() + 100000;
    builder.addRaw(beyond, packed);
    writeFile(archive, builder.build());

    const std::vector<Outcome> expected = oneByOne(archive);
    ASSERT_EQ(expected.size(), 2u);
    EXPECT_TRUE(expected[0].ok);
    EXPECT_FALSE(expected[1].ok);
    EXPECT_EQ(together(archive, 2), expected);
}

TEST(QuickCheck, EncryptedEntriesAreCheckedWithThePassword) {
    TempDir dir;
    writeFile(dir / "src" / "small.txt", compressibleText(30000, 8));
    writeFile(dir / "src" / "big.txt",
              compressibleText(static_cast<std::size_t>(QuickEntryCheck::WholeUncompressedLimit) + 1000, 9));
    const std::string archive = (dir / "secret.zip").string();
    TZipWriter writer;
    writer.setZipName(archive);
    writer.Password = "right";
    writer.FilesList = {(dir / "src" / "small.txt").string(), (dir / "src" / "big.txt").string()};
    ASSERT_EQ(writer.Zip(), 2);

    for (const std::string password : {"right", "wrong"}) {
        const std::vector<Outcome> expected = oneByOne(archive, password);
        ASSERT_EQ(expected.size(), 2u);
        for (const Outcome& o : expected)
            EXPECT_EQ(o.ok, password == "right") << o;
        EXPECT_EQ(together(archive, 2, password), expected) << password;
    }
}
