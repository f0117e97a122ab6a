#include "core/zip/zip_reader.h"

#include "core/util/errors.h"
#include "core/zip/archive_file.h"
#include "core/zip/disk_set.h"
#include "core/zip/entry_decoder.h"
#include "core/zip/quick_entry_check.h"
#include "core/zip/tool_shelf.h"
#include "core/zip/worker_pool.h"

#include <deque>
#include <optional>

namespace quorvel {

namespace {

// What one thread needs to check entries: the quick check for sound entries and the streaming
// decoder that words what is wrong with the others.
struct CheckTools {
    QuickEntryCheck quick;
    DecodeBuffers decode;
};

// Entries checked by one task of the pool: at most this many, of at most this much data together
// (a larger entry goes alone).
constexpr std::size_t GroupEntries = 16;
constexpr std::uint64_t GroupBytes = 1 << 20;

} // namespace

TEntryCheck TZipReader::checkEntry(const ByteSource& source, const TZipHeaderInfo& e, DecodeBuffers& buffers) const {
    TEntryCheck check;
    if (e.isFolder()) {
        check.ok = true;
        return check;
    }
    if (!EntryDecoder::methodSupported(e.compressionMethod)) {
        check.message = "Unknown Compression Method";
        return check;
    }
    check.message = damagedSpan(e);
    if (!check.message.empty())
        return check;
    EntryDecoder decoder(source, e, buffers);
    try {
        if (!decoder.locate()) {
            check.message = EBadZipFile::Text;
        } else if (e.isEncrypted() && !decoder.passwordMatches(Password)) {
            check.message = "The password is incorrect";
        } else {
            EntryDecoder::Result result = decoder.decode(Password, nullptr, nullptr);
            check.calculatedCrc = result.crc;
            check.ok = result.crcMatches();
            if (!check.ok)
                check.message = e.isEncrypted() ? "The password is incorrect" : "CRC error";
        }
    } catch (const EBiggerThanUncompressed& error) {
        // Encrypted noise from a wrong password that slipped past the check byte.
        check.message = e.isEncrypted() ? "The password is incorrect" : error.what();
    } catch (const Error& error) {
        check.message = error.what();
    }
    return check;
}

TEntryCheck TZipReader::testEntry(int index) {
    ensureLoaded();
    refuseOverlapping();
    const TZipHeaderInfo& e = Entry(index);
    TEntryCheck check;
    if (e.isFolder()) {
        check.ok = true;
        return check;
    }
    DecodeBuffers buffers;
    std::unique_ptr<SpannedSource> spanned;
    try {
        check = checkEntry(sourceFor(e, spanned), e, buffers);
    } catch (...) {
        releaseArchive();
        throw;
    }
    releaseArchive();
    return check;
}

void TZipReader::testEntries(const EntryCheckReport& report) {
    ensureLoaded();
    refuseOverlapping();
    // The disks of a spanned set may have to be asked for, which only the calling thread can do.
    if (m_disks) {
        for (int i = 0; i < Count(); ++i)
            report(i, testEntry(i));
        return;
    }
    bool keepOpen = KeepZipOpen;
    KeepZipOpen = true;
    struct Restore {
        TZipReader& reader;
        bool keepOpen;
        ~Restore() {
            reader.KeepZipOpen = keepOpen;
            reader.releaseArchive();
        }
    } restore{*this, keepOpen};
    const ArchiveFile& file = openArchive();
    // Entries go to the pool in groups: one hand-over per entry of a few KB would cost more than
    // checking it.
    struct Group {
        int first = 0;
        std::shared_ptr<std::vector<TEntryCheck>> checks;
        std::shared_ptr<WorkerPool::Task> task;
    };
    // Sound entries are proven quickly; the others are checked again by the streaming decoder,
    // which words what is wrong with them.
    auto check = [this, &file](const TZipHeaderInfo& entry, CheckTools& tools) {
        std::optional<std::uint32_t> soundCrc;
        try {
            if (!entry.isFolder() && damagedSpan(entry).empty())
                soundCrc = tools.quick.verify(file, entry);
        } catch (const Error&) {
            // A read that fails here fails again in the full check.
        }
        if (!soundCrc)
            return checkEntry(file, entry, tools.decode);
        TEntryCheck sound;
        sound.ok = true;
        sound.calculatedCrc = *soundCrc;
        return sound;
    };
    ToolShelf<CheckTools> shelf;
    // Declared after what its tasks use: leaving early drops the queued checks and waits for the
    // running ones before those go.
    WorkerPool pool(WorkerPool::threadCount(Threads));
    const std::size_t window = 4 * static_cast<std::size_t>(pool.threads());
    std::deque<Group> pending;
    int next = 0;
    while (next < Count() || !pending.empty()) {
        while (next < Count() && pending.size() < window) {
            std::vector<const TZipHeaderInfo*> entries;
            std::uint64_t bytes = 0;
            do {
                entries.push_back(&Entry(next));
                bytes += entries.back()->compressedSize;
                ++next;
            } while (next < Count() && entries.size() < GroupEntries &&
                     bytes + Entry(next).compressedSize <= GroupBytes);
            auto checks = std::make_shared<std::vector<TEntryCheck>>(entries.size());
            auto task = pool.submit([&check, &shelf, entries = std::move(entries), checks] {
                std::unique_ptr<CheckTools> tools = shelf.borrow();
                for (std::size_t k = 0; k < entries.size(); ++k)
                    (*checks)[k] = check(*entries[k], *tools);
                shelf.giveBack(std::move(tools));
            });
            pending.push_back({next - static_cast<int>(checks->size()), checks, std::move(task)});
        }
        Group done = std::move(pending.front());
        pending.pop_front();
        pool.wait(*done.task);
        for (std::size_t k = 0; k < done.checks->size(); ++k)
            report(done.first + static_cast<int>(k), (*done.checks)[k]);
    }
}

} // namespace quorvel
