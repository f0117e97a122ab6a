// Entries are decoded on worker threads ahead of the thread that writes them. Every event still
// fires on the calling thread in order, and an entry the workers cannot prove sound is decoded
// again by the streaming decoder, so the files written and every message stay as they were.
#include "core/zip/archive_file.h"
#include "core/zip/decode_ahead.h"
#include "core/zip/quick_entry_check.h"
#include "core/zip/zip_errors.h"
#include "core/zip/zip_reader.h"

#include "zip_test_helpers.h"

#include <chrono>
#include <gtest/gtest.h>
#include <thread>
#include <zlib.h>

using namespace quorvel;
using namespace quorvel::test;

namespace {

std::uint32_t crcOf(const std::string& data) {
    return static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

struct Extraction {
    std::vector<std::string> events;
    std::vector<std::pair<std::string, std::string>> files;
    int count = 0;
};

// Extracts everything, with every event of the reader written down in the order it fired.
Extraction extractAll(const std::string& archive, const fs::path& dest, int threads,
                      const std::function<void(TZipReader&)>& setUp = {}) {
    fs::remove_all(dest);
    TZipReader reader;
    reader.setZipName(archive);
    reader.setDestDir(dest.string());
    reader.Threads = threads;
    reader.DoAll = true;
    reader.RecreateDirs = true;
    Extraction result;
    auto& log = result.events;
    const auto caller = std::this_thread::get_id();
    auto note = [&](std::string event) {
        if (const auto at = event.find(dest.string()); at != std::string::npos)
            event.replace(at, dest.string().size(), "<dest>");
        if (std::this_thread::get_id() != caller)
            event += " (on another thread)";
        log.push_back(std::move(event));
    };
    reader.OnStartUnZip = [&](int i, std::string& name, bool&) { note("start " + std::to_string(i) + " " + name); };
    reader.OnFilePercentDone = [&](int p) { note("file " + std::to_string(p)); };
    reader.OnEndUnZip = [&](int i, const std::string&) { note("end " + std::to_string(i)); };
    reader.OnBadCRC = [&](std::uint32_t calc, std::uint32_t stored, int i) {
        note("bad crc " + std::to_string(i) + " " + std::to_string(calc) + " " + std::to_string(stored));
    };
    reader.OnUnZipError = [&](int i, const std::string&, const std::string& message) {
        note("error " + std::to_string(i) + " " + message);
    };
    reader.OnSkippingFile = [&](TSkipReason reason, const std::string&, int i, bool&) {
        note("skip " + std::to_string(i) + " " + std::to_string(static_cast<int>(reason)));
    };
    if (setUp)
        setUp(reader);
    result.count = reader.UnZip();
    result.files = treeOf(dest);
    return result;
}

bool hasLeftovers(const fs::path& dest) {
    for (const auto& item : fs::recursive_directory_iterator(dest))
        if (item.path().filename().string().rfind(".qz", 0) == 0)
            return true;
    return false;
}

std::string contentOf(const Extraction& extraction, const std::string& name) {
    for (const auto& [path, content] : extraction.files)
        if (path == name)
            return content;
    return "(missing)";
}

} // namespace

TEST(ParallelExtract, SoundAndLyingEntriesGiveTheSameFilesAndMessagesWithAnyNumberOfThreads) {
    TempDir dir;
    const std::string archive = (dir / "lies.zip").string();
    const std::string small = compressibleText(70000, 3);
    // Past the whole-buffer limits: decoded in pieces.
    const std::string big =
        compressibleText(static_cast<std::size_t>(QuickEntryCheck::WholeUncompressedLimit) + 300000, 4);
    ArchiveBuilder builder;
    addSoundAndLyingEntries(builder, "small/", small);
    addSoundAndLyingEntries(builder, "big/", big);
    builder.addDeflated("empty.txt", "");
    writeFile(archive, builder.build());

    const Extraction one = extractAll(archive, dir / "one", 1);
    const Extraction three = extractAll(archive, dir / "three", 3);
    EXPECT_EQ(three.events, one.events);
    EXPECT_EQ(three.files, one.files);
    EXPECT_EQ(three.count, one.count);
    EXPECT_FALSE(hasLeftovers(dir / "one"));
    EXPECT_FALSE(hasLeftovers(dir / "three"));

    // Only the sound entries were written, whole; every lie was reported as the streaming decoder
    // words it.
    EXPECT_EQ(one.count, 7);
    for (const auto& [prefix, text] : {std::pair{std::string("small/"), small}, std::pair{std::string("big/"), big}}) {
        EXPECT_EQ(contentOf(one, prefix + "sound.txt"), text) << prefix;
        EXPECT_EQ(contentOf(one, prefix + "stored.txt"), text) << prefix;
        EXPECT_EQ(contentOf(one, prefix + "long-local-extra.txt"), text) << prefix;
    }
    EXPECT_EQ(contentOf(one, "empty.txt"), "");
    ASSERT_EQ(one.files.size(), 7u);
    const auto has = [&](const std::string& event) {
        return std::find(one.events.begin(), one.events.end(), event) != one.events.end();
    };
    const std::string past = EBiggerThanUncompressed().what();
    // The entries of addSoundAndLyingEntries, in order: sound, stored, past size, short, wrong CRC,
    // cut, stored past size, stored short, local extra; "big/" from 9 on.
    for (int first : {0, 9}) {
        const std::uint32_t crc = crcOf(first == 0 ? small : big);
        EXPECT_TRUE(has("error " + std::to_string(first + 2) + " " + past)) << first;
        EXPECT_TRUE(
            has("bad crc " + std::to_string(first + 4) + " " + std::to_string(crc) + " " + std::to_string(crc ^ 1)))
            << first;
        EXPECT_TRUE(has("error " + std::to_string(first + 6) + " " + past)) << first;
    }
    for (const std::string& event : one.events)
        EXPECT_EQ(event.find("another thread"), std::string::npos) << event;
}

// A large entry is written while its next pieces are decoded; its progress moves on as it goes.
TEST(ParallelExtract, ALargeEntryIsWrittenPieceByPieceWithProgress) {
    TempDir dir;
    const std::string archive = (dir / "large.zip").string();
    const std::string large = compressibleText(DecodeAhead::PieceSize * 9 + 12345, 7);
    ArchiveBuilder builder;
    builder.addDeflated("before.txt", compressibleText(5000, 1));
    builder.addDeflated("large.txt", large);
    builder.addStored("large-stored.bin", randomBytes(DecodeAhead::PieceSize * 5 + 7, 2));
    builder.addDeflated("after.txt", compressibleText(5000, 3));
    writeFile(archive, builder.build());

    const Extraction result = extractAll(archive, dir / "out", 2);
    EXPECT_EQ(result.count, 4);
    EXPECT_EQ(contentOf(result, "large.txt"), large);
    EXPECT_EQ(contentOf(result, "large-stored.bin"), randomBytes(DecodeAhead::PieceSize * 5 + 7, 2));
    // Between the start and the end of the large entry: a percentage after every piece.
    auto start = std::find_if(result.events.begin(), result.events.end(),
                              [](const std::string& e) { return e.rfind("start 1 ", 0) == 0; });
    auto end = std::find(result.events.begin(), result.events.end(), "end 1");
    ASSERT_NE(start, result.events.end());
    ASSERT_NE(end, result.events.end());
    std::vector<int> percents;
    for (auto it = start + 1; it != end; ++it) {
        ASSERT_EQ(it->rfind("file ", 0), 0u) << *it;
        percents.push_back(std::stoi(it->substr(5)));
    }
    EXPECT_EQ(percents.size(), 10u);
    EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
    EXPECT_EQ(percents.back(), 100);
}

// The workers decode ahead, but what they decoded is handed over in the caller's order, also when
// a handler leaves entries out or sends one elsewhere.
TEST(ParallelExtract, EntriesLeftOutOrRenamedByTheHandlerKeepTheirOrder) {
    TempDir dir;
    const std::string archive = (dir / "many.zip").string();
    ArchiveBuilder builder;
    for (int i = 0; i < 200; ++i)
        builder.addDeflated("f" + std::to_string(i) + ".txt",
                            compressibleText(1000 + 37 * static_cast<std::size_t>(i), static_cast<std::uint32_t>(i)));
    writeFile(archive, builder.build());
    const fs::path elsewhere = dir / "elsewhere" / "renamed.txt";

    const Extraction result = extractAll(archive, dir / "out", 3, [&](TZipReader& reader) {
        reader.OnStartUnZip = [&, previous = -1](int i, std::string& name, bool& skip) mutable {
            EXPECT_GT(i, previous);
            previous = i;
            skip = i % 3 == 1;
            if (i == 100)
                name = elsewhere.string();
        };
    });
    int expected = 0;
    for (int i = 0; i < 200; ++i) {
        const std::string text =
            compressibleText(1000 + 37 * static_cast<std::size_t>(i), static_cast<std::uint32_t>(i));
        const std::string name = "f" + std::to_string(i) + ".txt";
        if (i % 3 == 1) {
            EXPECT_EQ(contentOf(result, name), "(missing)") << i;
        } else if (i == 100) {
            EXPECT_EQ(readFile(elsewhere), text);
            ++expected;
        } else {
            EXPECT_EQ(contentOf(result, name), text) << i;
            ++expected;
        }
    }
    EXPECT_EQ(result.count, expected);
    std::vector<std::string> ends;
    for (const std::string& event : result.events)
        if (event.rfind("end ", 0) == 0)
            ends.push_back(event);
    EXPECT_EQ(ends.size(), static_cast<std::size_t>(expected));
    EXPECT_TRUE(std::is_sorted(ends.begin(), ends.end(), [](const std::string& a, const std::string& b) {
        return std::stoi(a.substr(4)) < std::stoi(b.substr(4));
    }));
}

// A cancel arrives while entries ahead are being decoded: the extraction stops at once, every file
// written so far is whole, and nothing half-written is left.
TEST(ParallelExtract, CancelInTheMiddleLeavesOnlyWholeFiles) {
    TempDir dir;
    const std::string archive = (dir / "cancel.zip").string();
    ArchiveBuilder builder;
    for (int i = 0; i < 300; ++i)
        builder.addDeflated("f" + std::to_string(i) + ".txt", compressibleText(3000, static_cast<std::uint32_t>(i)));
    // Past the whole-buffer limit: written piece by piece, with a cancel check after each.
    const std::string large = compressibleText(DecodeAhead::PieceSize * 10, 9);
    builder.addDeflated("large.txt", large);
    for (int i = 300; i < 320; ++i)
        builder.addDeflated("f" + std::to_string(i) + ".txt", compressibleText(3000, static_cast<std::uint32_t>(i)));
    writeFile(archive, builder.build());

    // The check runs once per small file and once per piece of the large one: 303 falls in the
    // middle of the large file.
    for (int cancelAt : {50, 303}) {
        SCOPED_TRACE(cancelAt);
        int ticks = 0;
        EXPECT_THROW(extractAll(archive, dir / "out", 3,
                                [&](TZipReader& reader) {
                                    reader.DoProcessMessages = true;
                                    reader.processMessages = [&] {
                                        if (++ticks == cancelAt)
                                            throw EUserCanceled("User canceled Unzip operation");
                                    };
                                }),
                     EUserCanceled);
        EXPECT_FALSE(hasLeftovers(dir / "out"));
        const auto files = treeOf(dir / "out");
        EXPECT_EQ(files.size(), cancelAt == 50 ? 49u : 300u);
        for (const auto& [name, content] : files) {
            const std::string expected =
                name == "large.txt" ? large
                                    : compressibleText(3000, static_cast<std::uint32_t>(std::stoi(name.substr(1))));
            EXPECT_EQ(content, expected) << name;
        }
    }
}

// However slowly the caller writes, what is decoded ahead of it stays within the budget.
TEST(ParallelExtract, DecodedContentWaitingToBeWrittenStaysWithinTheBudget) {
    TempDir dir;
    const std::string archive = (dir / "budget.zip").string();
    ArchiveBuilder builder;
    std::vector<std::string> texts;
    for (int i = 0; i < 120; ++i) {
        texts.push_back(compressibleText(700000, static_cast<std::uint32_t>(i)));
        builder.addDeflated("f" + std::to_string(i) + ".txt", texts.back());
    }
    builder.addDeflated("large.txt", compressibleText(DecodeAhead::PieceSize * 12, 99));
    writeFile(archive, builder.build());
    TZipReader reader;
    reader.setZipName(archive);
    reader.ReadZip();
    std::vector<const TZipHeaderInfo*> entries;
    for (int i = 0; i < reader.Count(); ++i)
        entries.push_back(&reader.Entry(i));
    ArchiveFile file(archive);
    DecodeAhead ahead(file, entries, 3);

    // Entries 0 to 9 are taken slowly, 10 to 59 given up, the rest taken.
    for (std::size_t position = 0; position < entries.size(); position = position == 9 ? 60 : position + 1) {
        std::string content;
        for (;;) {
            const DecodeAhead::Piece piece = ahead.take(position);
            ASSERT_FALSE(piece.unsure) << position;
            content.append(reinterpret_cast<const char*>(piece.data), piece.size);
            if (position < 10)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            // Planning stops once the budget is reached: at most one entry, or one burst of pieces,
            // past it, besides the entry being taken.
            EXPECT_LE(ahead.held(), ahead.budget() + DecodeAhead::PieceSize * DecodeAhead::BurstPieces +
                                        entries[position]->uncompressedSize)
                << position;
            if (piece.last)
                break;
        }
        EXPECT_EQ(crcOf(content), entries[position]->crc32) << position;
        if (position < texts.size()) {
            EXPECT_EQ(content, texts[position]) << position;
        }
    }
}
