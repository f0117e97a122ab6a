#include "core/zip/zip_crypto.h"
#include "core/zip/zip_reader.h"
#include "core/zip/zip_writer.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

using namespace quorvel;
using namespace quorvel::test;

namespace {

// A wrong password whose key happens to decrypt the entry's check byte correctly: the one-byte
// check lets about one wrong password in 256 through, so the data itself must catch it.
std::string wrongPasswordPassingTheCheck(const std::string& archive, const TZipHeaderInfo& entry) {
    const std::string bytes = readFile(archive);
    const auto byteAt = [&](std::uint64_t offset) {
        return static_cast<std::size_t>(static_cast<unsigned char>(bytes[offset]));
    };
    const std::size_t nameLength = byteAt(entry.relativeOffset + 26) | byteAt(entry.relativeOffset + 27) << 8;
    const std::size_t extraLength = byteAt(entry.relativeOffset + 28) | byteAt(entry.relativeOffset + 29) << 8;
    const std::size_t dataOffset = entry.relativeOffset + 30 + nameLength + extraLength;
    for (int i = 0; i < 100000; ++i) {
        std::string candidate = "wrong" + std::to_string(i);
        std::uint8_t header[ZipCrypto::HeaderSize];
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(dataOffset), ZipCrypto::HeaderSize, header);
        ZipCrypto(candidate).decrypt(header, sizeof header);
        if (header[ZipCrypto::HeaderSize - 1] == static_cast<std::uint8_t>(entry.crc32 >> 24))
            return candidate;
    }
    return {};
}

} // namespace

TEST(WrongPassword, PassingTheCheckByteIsStillReportedAsABadPassword) {
    TempDir dir;
    const std::string data = compressibleText(200000, 7);
    writeFile(dir / "src" / "notes.txt", data);
    const std::string archive = (dir / "a.zip").string();
    for (int level : {0, 6}) {
        std::filesystem::remove(archive);
        TZipWriter writer;
        writer.setZipName(archive);
        writer.PackLevel = level;
        writer.Password = "right";
        writer.FilesList = {(dir / "src" / "notes.txt").string()};
        ASSERT_EQ(writer.Zip(), 1);

        TZipReader reader;
        reader.setZipName(archive);
        reader.ReadZip();
        const std::string wrong = wrongPasswordPassingTheCheck(archive, reader.Entry(0));
        ASSERT_FALSE(wrong.empty());
        reader.Password = wrong;
        EXPECT_EQ(reader.testEntry(0).message, "The password is incorrect") << "level " << level;

        std::vector<TSkipReason> skips;
        reader.OnSkippingFile = [&](TSkipReason reason, const std::string&, int, bool&) { skips.push_back(reason); };
        reader.setDestDir((dir / "out").string());
        reader.DoAll = true;
        EXPECT_EQ(reader.UnZip(), 0) << "level " << level;
        EXPECT_EQ(skips, std::vector<TSkipReason>{SkipBadPassword}) << "level " << level;
        EXPECT_FALSE(std::filesystem::exists(dir / "out" / "notes.txt"));
    }
}
