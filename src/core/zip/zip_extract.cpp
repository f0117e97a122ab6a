#include "core/zip/zip_reader.h"

#include "core/util/percent.h"
#include "core/util/strings.h"
#include "core/zip/archive_file.h"
#include "core/zip/decode_ahead.h"
#include "core/zip/disk_set.h"
#include "core/zip/entry_decoder.h"
#include "core/zip/extract_target.h"
#include "core/zip/name_selection.h"
#include "core/zip/quick_entry_check.h"
#include "core/zip/safe_destination.h"

#include <algorithm>
#include <cctype>

namespace quorvel {

struct ExtractJob {
    int index = 0;                // in SortMode order
    std::size_t position = 0;     // among the entries being extracted
    DecodeAhead* ahead = nullptr; // decodes the entries it covers on worker threads
    const TZipHeaderInfo* entry = nullptr;
    std::uint64_t totalBytes = 0; // of the whole operation
    std::uint64_t doneBefore = 0; // uncompressed bytes of the entries before this one
    SafeDestination* destination = nullptr;
    DecodeBuffers* buffers = nullptr;
    ExtractTarget* target = nullptr;
    std::string fname; // the file name OnStartUnZip settled on
    int* count = nullptr;
    std::optional<bool> overwriteForAll; // "Yes to all" or "No to all" of the overwrite question
};

namespace {

enum class Outcome { Done, Retry };

// The stored folder of an entry, below the destination: RootDir and a drive are taken off the front.
std::string relativeFolder(const std::string& storedPath, const std::string& rootDir) {
    std::string path = storedPath;
    std::string root = rootDir;
    while (!root.empty() && root.front() == '/')
        root.erase(0, 1);
    std::string bare = path;
    while (!bare.empty() && bare.front() == '/')
        bare.erase(0, 1);
    if (!root.empty() && startsWithIgnoreCase(bare, root))
        path = bare.substr(root.size());
    if (path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0])))
        path.erase(0, 2);
    return path;
}

} // namespace

void TZipReader::skipEntry(TSkipReason reason, const std::string& name, int index) {
    bool retry = false;
    if (OnSkippingFile)
        OnSkippingFile(reason, name, index, retry);
}

void TZipReader::failEntry(ExtractJob& job, const std::string& message) {
    std::string name = job.target ? job.target->shownName() : job.entry->storedName();
    if (OnUnZipError)
        OnUnZipError(job.index, name, message);
    skipEntry(SkipCannotCreate, name, job.index);
}

int TZipReader::UnZip() {
    int count = 0;
    const bool keepOpen = KeepZipOpen;
    auto finish = [&] {
        FilesList.clear();
        ExactNames.clear();
        KeepZipOpen = keepOpen;
        releaseArchive();
        if (OnUnZipComplete)
            OnUnZipComplete(count);
    };
    try {
        ensureLoaded();
        refuseOverlapping();
        KeepZipOpen = true;
        std::uint64_t totalBytes = 0;
        const std::vector<std::size_t> selected = selectEntries(totalBytes);
        bool stop = false;
        if (OnStartUnZipInfo)
            OnStartUnZipInfo(static_cast<int>(selected.size()), totalBytes, stop);
        if (!stop && !selected.empty())
            extractSelected(selected, totalBytes, count);
    } catch (...) {
        finish();
        throw;
    }
    finish();
    return count;
}

// The entries to extract (SortMode indexes) and the sum of their sizes.
std::vector<std::size_t> TZipReader::selectEntries(std::uint64_t& totalBytes) {
    const NameSelection byMask(DoAll ? std::vector<std::string>() : FilesList);
    const NameSelection byName(DoAll ? std::vector<std::string>() : ExactNames, NameMatching::Exact);
    if (!DoAll)
        reportNoSuchEntries(byMask, byName);
    std::vector<std::size_t> selected;
    for (int i = 0; i < Count(); ++i) {
        const TZipHeaderInfo& e = Entry(i);
        if (e.isFolder() && !RecreateDirs)
            continue;
        if (!DoAll && !byMask.selects(e.storedName()) && !byName.selects(e.storedName()))
            continue;
        selected.push_back(static_cast<std::size_t>(i));
        totalBytes += e.uncompressedSize;
    }
    // The disks of a spanned set are asked for once each, in order.
    if (m_disks)
        std::stable_sort(selected.begin(), selected.end(), [this](std::size_t a, std::size_t b) {
            return physicalIndex(static_cast<int>(a)) < physicalIndex(static_cast<int>(b));
        });
    return selected;
}

void TZipReader::reportNoSuchEntries(const NameSelection& byMask, const NameSelection& byName) const {
    if (!OnNoSuchEntry || (FilesList.empty() && ExactNames.empty()))
        return;
    std::vector<std::string> stored;
    stored.reserve(m_directory.size());
    for (const TZipHeaderInfo& entry : m_directory)
        stored.push_back(entry.storedName());
    for (const NameSelection* selection : {&byMask, &byName})
        for (const std::string& name : selection->unmatched(stored))
            OnNoSuchEntry(name);
}

void TZipReader::extractSelected(const std::vector<std::size_t>& selected, std::uint64_t totalBytes, int& count) {
    SafeDestination destination(m_destDir);
    DecodeBuffers buffers;
    ExtractJob job;
    job.totalBytes = totalBytes;
    job.destination = &destination;
    job.buffers = &buffers;
    job.count = &count;
    std::unique_ptr<DecodeAhead> ahead = decodeAheadFor(selected);
    job.ahead = ahead.get();
    for (std::size_t position = 0; position < selected.size(); ++position) {
        const std::size_t index = selected[position];
        job.position = position;
        job.index = static_cast<int>(index);
        job.entry = &Entry(job.index);
        while (!extractEntry(job))
            ;
        job.doneBefore += job.entry->uncompressedSize;
    }
}

// What the worker threads may decode ahead: unencrypted entries whose data lies where it should.
// Nothing of a spanned set, whose disks may have to be asked for, which only this thread can do.
std::unique_ptr<DecodeAhead> TZipReader::decodeAheadFor(const std::vector<std::size_t>& selected) {
    if (m_disks)
        return nullptr;
    std::vector<const TZipHeaderInfo*> entries;
    entries.reserve(selected.size());
    bool any = false;
    for (std::size_t index : selected) {
        const TZipHeaderInfo& e = Entry(static_cast<int>(index));
        const bool decodable = !e.isFolder() && QuickEntryCheck::applies(e) && damagedSpan(e).empty();
        entries.push_back(decodable ? &e : nullptr);
        any = any || decodable;
    }
    return any ? std::make_unique<DecodeAhead>(openArchive(), std::move(entries), Threads) : nullptr;
}

// One entry; false when it must be tried again with a new password.
bool TZipReader::extractEntry(ExtractJob& job) {
    job.target = nullptr;
    std::vector<std::string> folder;
    if (!safeFolderOf(job, folder))
        return true;
    if (job.entry->isFolder()) {
        extractFolder(job, folder);
        return true;
    }
    ExtractTarget target(*job.destination, m_destDir, folder, job.entry->fileName);
    job.target = &target;
    if (!startFile(job) || !dataReadable(job))
        return true;
    std::unique_ptr<SpannedSource> spanned;
    EntryDecoder decoder(sourceFor(*job.entry, spanned), *job.entry, *job.buffers);
    if (!decoder.locate()) {
        failEntry(job, EBadZipFile::Text);
        return true;
    }
    if (!passwordAccepted(job, decoder) || !targetCreated(job))
        return true;
    std::uint32_t crc = 0;
    switch (decodeToTarget(job, decoder, crc)) {
    case Decoded::Good:
        commitFile(job);
        return true;
    case Decoded::Failed:
        return true;
    case Decoded::WrongData:
        break;
    }
    return !retryAfterWrongData(job, crc);
}

// The entry's folder below the destination, as parts; false (the entry failed) for a name that
// would lead out of it.
bool TZipReader::safeFolderOf(ExtractJob& job, std::vector<std::string>& folder) {
    const TZipHeaderInfo& e = *job.entry;
    const std::string relative = RecreateDirs ? relativeFolder(e.filePath, m_rootDir) : std::string();
    if (SafeDestination::splitRelative(relative, folder) && (e.isFolder() || SafeDestination::validName(e.fileName)))
        return true;
    failEntry(job, "Unsafe name in archive, not extracted: " + e.storedName());
    return false;
}

void TZipReader::extractFolder(ExtractJob& job, const std::vector<std::string>& folder) {
    std::string error;
    if (job.destination->openFolder(folder, error) < 0)
        failEntry(job, error);
    else
        ++*job.count;
}

// OnStartUnZip may leave the entry out or name another file; then the file's folder is opened.
bool TZipReader::startFile(ExtractJob& job) {
    job.fname = job.target->shownName();
    bool skip = false;
    if (OnStartUnZip)
        OnStartUnZip(job.index, job.fname, skip);
    if (skip)
        return false;
    std::string error;
    if (job.target->open(job.fname, error))
        return true;
    failEntry(job, error);
    return false;
}

// An entry whose data this reader cannot decode, or must not read, fails without being touched.
bool TZipReader::dataReadable(ExtractJob& job) {
    const TZipHeaderInfo& e = *job.entry;
    std::string problem;
    if (!EntryDecoder::methodSupported(e.compressionMethod))
        problem = "Unknown Compression Method";
    else if (!m_disks && e.diskNumberStart != 0)
        problem = "The entry lies on another disk of a spanned set";
    else
        problem = damagedSpan(e); // it would read into other entries or the directory
    if (problem.empty())
        return true;
    failEntry(job, problem);
    return false;
}

// Asks OnBadPassword for another password; true when it gave one, which is then Password.
bool TZipReader::askNewPassword(int index) {
    if (!OnBadPassword)
        return false;
    std::string newPassword = Password;
    OnBadPassword(index, newPassword);
    if (newPassword == Password)
        return false;
    Password = newPassword;
    return true;
}

// An encrypted entry's check byte must match before anything is written; false when no password
// that matches was given (the entry is skipped).
bool TZipReader::passwordAccepted(ExtractJob& job, const EntryDecoder& decoder) {
    if (!job.entry->isEncrypted())
        return true;
    while (!decoder.passwordMatches(Password)) {
        if (!askNewPassword(job.index)) {
            skipEntry(SkipBadPassword, job.fname, job.index);
            return false;
        }
    }
    return true;
}

// The overwrite mode decides about an existing file; then the file is created.
bool TZipReader::targetCreated(ExtractJob& job) {
    const TZipHeaderInfo& e = *job.entry;
    const ExtractTarget::OverwriteRules rules{
        OverwriteMode, ReplaceReadOnly,       e.modifiedDateTime,   e.storedName(),    job.index,
        prompts,       &OnPromptForOverwrite, &job.overwriteForAll, e.uncompressedSize};
    std::string error;
    if (!job.target->mayReplace(rules, error)) {
        if (error.empty())
            skipEntry(SkipNoOverwrite, job.fname, job.index);
        else
            failEntry(job, error);
        return false;
    }
    if (job.target->create(error))
        return true;
    failEntry(job, error);
    return false;
}

// Decodes into the created file. WrongData (with the CRC computed) when the data does not check
// out; Failed when the entry was given up for another reason.
TZipReader::Decoded TZipReader::decodeToTarget(ExtractJob& job, EntryDecoder& decoder, std::uint32_t& crc) {
    try {
        if (job.ahead && job.ahead->covers(job.position) && writeDecodedAhead(job)) {
            crc = job.entry->crc32;
            return Decoded::Good;
        }
        const EntryDecoder::Result result = decoder.decode(
            Password, [&job](const unsigned char* data, std::size_t size) { job.target->write(data, size); },
            [this, &job](std::uint64_t written) { reportProgress(job, written); });
        crc = result.crc;
        return result.crcMatches() ? Decoded::Good : Decoded::WrongData;
    } catch (const EBiggerThanUncompressed& error) {
        job.target->discard();
        if (job.entry->isEncrypted())
            return Decoded::WrongData; // a wrong password that passed the one-byte check decrypts to noise
        failEntry(job, error.what());
        return Decoded::Failed;
    } catch (...) {
        job.target->discard();
        throw;
    }
}

// Writes what the worker threads decoded; false, with nothing written kept, when the entry was not
// proven sound there and must be decoded here.
bool TZipReader::writeDecodedAhead(ExtractJob& job) {
    std::uint64_t written = 0;
    for (;;) {
        const DecodeAhead::Piece piece = job.ahead->take(job.position);
        if (piece.unsure) {
            if (written > 0)
                job.target->rewind();
            return false;
        }
        job.target->write(piece.data, piece.size);
        written += piece.size;
        reportProgress(job, written);
        if (piece.last)
            return true;
    }
}

void TZipReader::reportProgress(const ExtractJob& job, std::uint64_t written) {
    if (OnFilePercentDone)
        OnFilePercentDone(percentOf(written, job.entry->uncompressedSize));
    if (OnTotalPercentDone)
        OnTotalPercentDone(percentOf(job.doneBefore + written, job.totalBytes));
    serviceMessages();
}

// The data did not check out and nothing of it stays. An encrypted entry is tried again when
// OnBadPassword gives another password (true), and otherwise skipped as a bad password; for any
// other entry OnBadCRC tells the CRCs.
bool TZipReader::retryAfterWrongData(ExtractJob& job, std::uint32_t crc) {
    job.target->discard();
    if (!job.entry->isEncrypted()) {
        if (OnBadCRC)
            OnBadCRC(crc, job.entry->crc32, job.index);
        return false;
    }
    if (askNewPassword(job.index))
        return true;
    skipEntry(SkipBadPassword, job.fname, job.index);
    return false;
}

void TZipReader::commitFile(ExtractJob& job) {
    std::string error;
    if (!job.target->commit(RetainAttributes, FlushFilesOnClose, *job.entry, error)) {
        failEntry(job, error);
        return;
    }
    ++*job.count;
    if (OnEndUnZip)
        OnEndUnZip(job.index, job.fname);
}

} // namespace quorvel
