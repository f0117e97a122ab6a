#include "core/zip/zip_reader.h"

#include "core/zip/archive_file.h"
#include "core/zip/disk_set.h"
#include "core/zip/entry_decoder.h"
#include "core/zip/quick_entry_check.h"
#include "core/zip/worker_pool.h"

#include <deque>
#include <mutex>

namespace quorvel {

namespace {

// What one thread needs to check entries: the quick check for sound entries and the streaming
// decoder that words what is wrong with the others.
struct CheckTools {
    QuickEntryCheck quick;
    DecodeBuffers decode;
};

// Tools lent to the threads that check entries: one set per running check, made once and reused,
// as setting up an inflater costs more than checking a small entry.
class ToolShelf {
public:
    std::unique_ptr<CheckTools> borrow() {
        std::lock_guard lock(m_mutex);
        if (m_idle.empty())
            return std::make_unique<CheckTools>();
        std::unique_ptr<CheckTools> tools = std::move(m_idle.back());
        m_idle.pop_back();
        return tools;
    }
    void giveBack(std::unique_ptr<CheckTools> tools) {
        std::lock_guard lock(m_mutex);
        m_idle.push_back(std::move(tools));
    }

private:
    std::mutex m_mutex;
    std::vector<std::unique_ptr<CheckTools>> m_idle;
};

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
            check.message = EBadZipFile().what();
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
    struct Pending {
        int index;
        std::shared_ptr<TEntryCheck> check;
        std::shared_ptr<WorkerPool::Task> task;
    };
    ToolShelf shelf;
    // Declared after what its tasks use: leaving early drops the queued checks and waits for the
    // running ones before those go.
    WorkerPool pool(WorkerPool::threadCount(Threads));
    const std::size_t window = 4 * static_cast<std::size_t>(pool.threads());
    std::deque<Pending> pending;
    int next = 0;
    while (next < Count() || !pending.empty()) {
        while (next < Count() && pending.size() < window) {
            const TZipHeaderInfo& entry = Entry(next);
            auto check = std::make_shared<TEntryCheck>();
            auto task = pool.submit([this, &file, &entry, &shelf, check] {
                std::unique_ptr<CheckTools> tools = shelf.borrow();
                std::optional<std::uint32_t> soundCrc;
                if (!entry.isFolder() && damagedSpan(entry).empty())
                    soundCrc = tools->quick.verify(file, entry);
                if (soundCrc) {
                    check->ok = true;
                    check->calculatedCrc = *soundCrc;
                } else {
                    *check = checkEntry(file, entry, tools->decode);
                }
                shelf.giveBack(std::move(tools));
            });
            pending.push_back({next++, std::move(check), std::move(task)});
        }
        Pending done = std::move(pending.front());
        pending.pop_front();
        pool.wait(*done.task);
        report(done.index, *done.check);
    }
}

} // namespace quorvel
