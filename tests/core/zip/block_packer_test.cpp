// Blocks of a long entry are compressed apart and joined into one deflate stream; whatever the
// data, the block sizes and the level, the joined stream must inflate to exactly the data.
#include "core/zip/block_packer.h"
#include "core/zip/open_stream.h"

#include "zip_test_helpers.h"

#include <gtest/gtest.h>
#include <zlib.h>

using namespace quorvel;
using namespace quorvel::test;

namespace {

// Inflates a raw deflate stream with zlib; nullopt unless it ends exactly where the input does.
std::optional<std::string> inflateAll(const std::vector<unsigned char>& stream, std::size_t expected) {
    z_stream z{};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK)
        return std::nullopt;
    std::string out(expected + 1, '\0');
    z.next_in = const_cast<unsigned char*>(stream.data());
    z.avail_in = static_cast<uInt>(stream.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    const int rc = inflate(&z, Z_FINISH);
    const bool whole = rc == Z_STREAM_END && z.avail_in == 0;
    out.resize(z.total_out);
    inflateEnd(&z);
    return whole ? std::optional<std::string>(out) : std::nullopt;
}

std::vector<unsigned char> joined(BlockPacker& packer, const std::string& data, const std::vector<std::size_t>& cuts,
                                  int level) {
    std::vector<unsigned char> stream;
    std::size_t start = 0;
    for (std::size_t k = 0; k <= cuts.size(); ++k) {
        const std::size_t end = k < cuts.size() ? cuts[k] : data.size();
        std::vector<unsigned char> part;
        packer.packPart(reinterpret_cast<const unsigned char*>(data.data()) + start, end - start, level,
                        k == cuts.size(), part);
        stream.insert(stream.end(), part.begin(), part.end());
        start = end;
    }
    return stream;
}

} // namespace

TEST(BlockPacker, BlocksPackedApartJoinIntoOneStreamOfTheData) {
    BlockPacker packer;
    const std::string text = compressibleText(900000, 1);
    const std::string noise = randomBytes(400000, 2);
    const std::string mixed = text.substr(0, 300000) + noise.substr(0, 200000) + std::string(250000, 'z');
    for (const std::string* data : {&text, &noise, &mixed}) {
        for (int level : {1, 6, 9}) {
            // Cuts of many sizes, so that blocks end at every bit position of their last byte,
            // with a last block that is empty among them.
            std::vector<std::size_t> cuts;
            for (std::size_t at = 1, step = 1; at < data->size(); at += step, step = step * 3 + 7)
                cuts.push_back(at);
            cuts.push_back(data->size());
            const std::vector<unsigned char> stream = joined(packer, *data, cuts, level);
            const std::optional<std::string> back = inflateAll(stream, data->size());
            ASSERT_TRUE(back.has_value()) << data->size() << " " << level;
            EXPECT_EQ(*back, *data) << level;
        }
    }
}

TEST(BlockPacker, AStreamIsOnlyOpenedWhenItHoldsExactlyTheDataItWasMadeOf) {
    BlockPacker packer;
    const std::string text = compressibleText(50000, 3);
    std::vector<unsigned char> stream;
    packer.packPart(reinterpret_cast<const unsigned char*>(text.data()), text.size(), 6, true, stream);
    std::vector<unsigned char> scratch;
    std::vector<unsigned char> copy = stream;
    EXPECT_FALSE(openFinishedStream(copy, text.size() - 1, scratch));
    EXPECT_FALSE(openFinishedStream(copy, text.size() + 1, scratch));
    EXPECT_EQ(copy, stream);
    copy.resize(copy.size() / 2);
    EXPECT_FALSE(openFinishedStream(copy, text.size(), scratch));
    copy = stream;
    ASSERT_TRUE(openFinishedStream(copy, text.size(), scratch));
    // Opened, it goes on: an empty final block after it ends it again.
    std::vector<unsigned char> end;
    packer.packPart(nullptr, 0, 6, true, end);
    copy.insert(copy.end(), end.begin(), end.end());
    EXPECT_EQ(inflateAll(copy, text.size()), text);
}
