#include "core/zip/zip_reader.h"

#include "core/util/strings.h"
#include "core/zip/archive_file.h"
#include "core/zip/disk_set.h"
#include "core/zip/entry_decoder.h"
#include "core/zip/extract_target.h"
#include "core/zip/name_selection.h"
#include "core/zip/safe_destination.h"
#include "core/util/percent.h"

#include <algorithm>
#include <cctype>

namespace quorvel {

struct ExtractJob {
    int index = 0; // in SortMode order
    const TZipHeaderInfo* entry = nullptr;
    std::uint64_t totalBytes = 0; // of the whole operation
    std::uint64_t doneBefore = 0; // uncompressed bytes of the entries before this one
    SafeDestination* destination = nullptr;
    DecodeBuffers* buffers = nullptr;
    ExtractTarget* target = nullptr;
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
    bool keepOpen = KeepZipOpen;
    auto finish = [&] {
        FilesList.clear();
        KeepZipOpen = keepOpen;
        releaseArchive();
        if (OnUnZipComplete)
            OnUnZipComplete(count);
    };
    try {
        ensureLoaded();
        refuseOverlapping();
        KeepZipOpen = true;
        std::vector<std::size_t> selected;
        std::uint64_t totalBytes = 0;
        const NameSelection selection(DoAll ? std::vector<std::string>() : FilesList);
        for (int i = 0; i < Count(); ++i) {
            const TZipHeaderInfo& e = Entry(i);
            if (e.isFolder() && !RecreateDirs)
                continue;
            if (!DoAll && !selection.selects(e.storedName()))
                continue;
            selected.push_back(static_cast<std::size_t>(i));
            totalBytes += e.uncompressedSize;
        }
        // The disks of a spanned set are asked for once each, in order.
        if (m_disks)
            std::stable_sort(selected.begin(), selected.end(), [this](std::size_t a, std::size_t b) {
                return physicalIndex(int(a)) < physicalIndex(int(b));
            });
        bool stop = false;
        if (OnStartUnZipInfo)
            OnStartUnZipInfo(static_cast<int>(selected.size()), totalBytes, stop);
        if (!stop && !selected.empty()) {
            SafeDestination destination(m_destDir);
            DecodeBuffers buffers;
            ExtractJob job;
            job.totalBytes = totalBytes;
            job.destination = &destination;
            job.buffers = &buffers;
            job.count = &count;
            for (std::size_t index : selected) {
                job.index = static_cast<int>(index);
                job.entry = &Entry(job.index);
                while (!extractEntry(job))
                    ;
                job.doneBefore += job.entry->uncompressedSize;
            }
        }
    } catch (...) {
        finish();
        throw;
    }
    finish();
    return count;
}

// One entry; false when it must be tried again with a new password.
bool TZipReader::extractEntry(ExtractJob& job) {
    const TZipHeaderInfo& e = *job.entry;
    job.target = nullptr;
    std::vector<std::string> folder;
    std::string relative = RecreateDirs ? relativeFolder(e.filePath, m_rootDir) : std::string();
    if (!SafeDestination::splitRelative(relative, folder) ||
        (!e.isFolder() && !SafeDestination::validName(e.fileName))) {
        failEntry(job, "Unsafe name in archive, not extracted: " + e.storedName());
        return true;
    }
    if (e.isFolder()) {
        std::string error;
        if (job.destination->openFolder(folder, error) < 0)
            failEntry(job, error);
        else
            ++*job.count;
        return true;
    }
    ExtractTarget target(*job.destination, m_destDir, folder, e.fileName);
    job.target = &target;
    std::string fname = target.shownName();
    bool skip = false;
    if (OnStartUnZip)
        OnStartUnZip(job.index, fname, skip);
    if (skip)
        return true;
    std::string error;
    if (!target.open(fname, error)) {
        failEntry(job, error);
        return true;
    }
    if (!EntryDecoder::methodSupported(e.compressionMethod)) {
        if (prompts)
            prompts->showMessage("Unknown Compression Method", MessageKind::Error);
        failEntry(job, "Unknown Compression Method");
        return true;
    }
    if (!m_disks && e.diskNumberStart != 0) {
        failEntry(job, "The entry lies on another disk of a spanned set");
        return true;
    }
    if (std::string damaged = damagedSpan(e); !damaged.empty()) {
        failEntry(job, damaged); // it would read into other entries or the directory
        return true;
    }
    std::unique_ptr<SpannedSource> spanned;
    EntryDecoder decoder(sourceFor(e, spanned), e, *job.buffers);
    if (!decoder.locate()) {
        failEntry(job, EBadZipFile().what());
        return true;
    }
    if (e.isEncrypted()) {
        while (!decoder.passwordMatches(Password)) {
            std::string newPassword = Password;
            if (OnBadPassword)
                OnBadPassword(job.index, newPassword);
            if (!OnBadPassword || newPassword == Password) {
                skipEntry(SkipBadPassword, fname, job.index);
                return true;
            }
            Password = newPassword;
        }
    }
    ExtractTarget::OverwriteRules rules{OverwriteMode, ReplaceReadOnly, e.modifiedDateTime,   e.storedName(),
                                        job.index,     prompts,         &OnPromptForOverwrite, &job.overwriteForAll,
                                        e.uncompressedSize};
    if (!target.mayReplace(rules, error)) {
        if (error.empty())
            skipEntry(SkipNoOverwrite, fname, job.index);
        else
            failEntry(job, error);
        return true;
    }
    if (!target.create(error)) {
        failEntry(job, error);
        return true;
    }
    EntryDecoder::Result result;
    bool oversize = false;
    try {
        result = decoder.decode(
            Password, [&](const unsigned char* data, std::size_t size) { target.write(data, size); },
            [&](std::uint64_t written) {
                if (OnFilePercentDone)
                    OnFilePercentDone(percentOf(written, e.uncompressedSize));
                if (OnTotalPercentDone)
                    OnTotalPercentDone(percentOf(job.doneBefore + written, job.totalBytes));
                serviceMessages();
            });
    } catch (const EBiggerThanUncompressed& error) {
        target.discard();
        if (!e.isEncrypted()) {
            failEntry(job, error.what());
            return true;
        }
        // A wrong password passes the one-byte check once in 256 tries and then decrypts to
        // noise; that is a bad password, not an archive that lies about its size.
        oversize = true;
    } catch (...) {
        target.discard();
        throw;
    }
    if (oversize || !result.crcMatches()) {
        target.discard();
        if (e.isEncrypted()) {
            std::string newPassword = Password;
            if (OnBadPassword)
                OnBadPassword(job.index, newPassword);
            if (OnBadPassword && newPassword != Password) {
                Password = newPassword;
                return false;
            }
            skipEntry(SkipBadPassword, fname, job.index);
        } else if (OnBadCRC) {
            OnBadCRC(result.crc, e.crc32, job.index);
        }
        return true;
    }
    if (!target.commit(RetainAttributes, FlushFilesOnClose, e, error)) {
        failEntry(job, error);
        return true;
    }
    ++*job.count;
    if (OnEndUnZip)
        OnEndUnZip(job.index, fname);
    return true;
}

} // namespace quorvel
