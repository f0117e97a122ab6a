#include "core/zip/zip_writer.h"

#include "core/platform/atomic_file.h"
#include "core/util/path_parts.h"
#include "core/util/strings.h"
#include "core/zip/archive_file.h"
#include "core/zip/entry_encoder.h"
#include "core/zip/writer_run.h"
#include "core/zip/zip_format.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvel {

using namespace zipformat;

namespace {

std::pair<dev_t, ino_t> identityOf(const std::string& path) {
    struct stat self {};
    if (::stat(path.c_str(), &self) != 0)
        return {};
    return {self.st_dev, self.st_ino};
}

} // namespace

WriteFileJob::WriteFileJob(TZipWriter& writer, std::uint64_t& total, const std::string& archive)
    : archiveId(identityOf(archive)), encoder(writer), ahead(writer, archiveId), totalBytes(total) {}

TZipWriter::RunScope::RunScope(TZipWriter& w) : writer(w), keepZipOpen(w.KeepZipOpen) {
    writer.KeepZipOpen = true;
    writer.m_written.setOemConvert(writer.OEMConvert);
}

void TZipWriter::RunScope::end() {
    if (ended)
        return;
    ended = true;
    writer.FilesList.clear();
    writer.ExactNames.clear();
    writer.releaseWritten();
    writer.m_zippedSources.clear();
    writer.m_freshenNames.clear();
    writer.m_freshenOnly = false;
    writer.m_stage.reset();
    writer.KeepZipOpen = keepZipOpen;
    writer.releaseArchive();
}

std::uint32_t dosTimeOf(std::time_t when) {
    return toDosDateTime(fromTimeT(when));
}

namespace {

std::uint32_t attributesOf(const struct stat& st, const std::string& path) {
    std::uint32_t dos = 0x20; // the archive bit is taken as always set
    if (S_ISDIR(st.st_mode))
        dos |= 0x10;
    if ((st.st_mode & S_IWUSR) == 0)
        dos |= 0x01;
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/')
        trimmed.pop_back();
    if (fileNamePart(trimmed).starts_with('.'))
        dos |= 0x02;
    return (static_cast<std::uint32_t>(st.st_mode & 0xFFFF) << 16) | dos;
}

} // namespace

TZipWriter::TZipWriter() = default;
TZipWriter::~TZipWriter() = default;

std::unique_ptr<ZipOutput> TZipWriter::openOutput(const std::string& path) {
    return openFileOutput(path);
}

std::size_t TZipWriter::readSourceBlock(int fd, std::uint64_t offset, unsigned char* buffer, std::size_t size,
                                        const std::string& path) {
    while (true) {
        ssize_t n = ::pread(fd, buffer, size, static_cast<off_t>(offset));
        if (n >= 0)
            return static_cast<std::size_t>(n);
        if (errno != EINTR && errno != EAGAIN)
            throw IoError::of("Cannot read", path, errno);
    }
}

std::string TZipWriter::storedNameOf(const std::string& original) const {
    bool folderEntry = !original.empty() && original.back() == '/';
    std::filesystem::path normal = std::filesystem::path(original).lexically_normal();
    // A name stored with ".." would climb out of the folder it is restored into, so restore refuses
    // it: a path that leaves the current folder is stored as the place it names.
    if (normal.is_relative() && !normal.empty() && *normal.begin() == "..")
        normal = std::filesystem::absolute(normal).lexically_normal();
    std::string path = normal.string();
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    std::size_t slash = path.rfind('/');
    std::string name = folderEntry || slash == std::string::npos ? (folderEntry ? "" : path) : path.substr(slash + 1);
    std::string folder = folderEntry ? path : (slash == std::string::npos ? "" : path.substr(0, slash));
    if (!StorePaths) {
        if (!folderEntry)
            return name;
        // A folder entry without paths is stored under its own name.
        std::size_t last = folder.rfind('/');
        std::string own = last == std::string::npos ? folder : folder.substr(last + 1);
        return own.empty() || own == "." || own == ".." ? std::string() : own + "/";
    }
    std::string stored = folder == "/" ? folder : folder + "/";
    if (RelativePaths && !m_rootDir.empty() && startsWithIgnoreCase(stored, m_rootDir))
        stored = stored.size() == m_rootDir.size() ? std::string() : stored.substr(m_rootDir.size());
    while (!stored.empty() && (stored.front() == '/' || stored.rfind("./", 0) == 0))
        stored.erase(0, stored.front() == '/' ? 1 : 2);
    return stored + name;
}

void TZipWriter::reportTotal(std::uint64_t done, std::uint64_t total) {
    if (!OnTotalPercentDone || total == 0)
        return;
    std::uint64_t percent = std::min<std::uint64_t>((done * 100 + total / 2) / total, 100);
    OnTotalPercentDone(static_cast<int>(percent));
}

int TZipWriter::Zip() {
    // A new archive stays open, and locked, until the completion handler has put it in its place.
    struct ReleaseFinished {
        std::unique_ptr<ZipOutput>& output;
        ~ReleaseFinished() { output.reset(); }
    } releaseFinished{m_finishedOutput};
    RunScope scope(*this);
    std::optional<std::string> newComment = pendingComment();
    std::string comment = m_endCentral.comment;
    bool spanning = MultiZipInfo.MultiMode != mmNone;
    struct stat existing {};
    bool update = !spanning && ::stat(m_zipName.c_str(), &existing) == 0;
    if (update) {
        loadExisting(newComment);
    } else {
        forgetArchive();
        setZipComment(comment);
    }
    m_freshenOnly = ZipAction == zaFreshen;
    if (m_freshenOnly)
        for (const TZipHeaderInfo& entry : m_directory)
            m_freshenNames.insert(entry.storedName());
    std::uint64_t totalBytes = expandFilesList();
    int count = 0;
    if (update)
        count = updateArchive(totalBytes);
    else if (m_freshenOnly)
        count = 0; // a missing archive holds nothing to freshen, and nothing new is added
    else if (spanning)
        count = writeSpannedArchive(totalBytes);
    else
        count = writeNewArchive(totalBytes);
    disposeSources();
    scope.end();
    if (OnTotalPercentDone)
        OnTotalPercentDone(100);
    if (OnZipComplete)
        OnZipComplete(count);
    return count;
}

void TZipWriter::startZipInfo(std::uint64_t totalBytes) {
    if (FilesList.empty() || !OnStartZipInfo)
        return;
    bool stop = false;
    OnStartZipInfo(static_cast<int>(FilesList.size()), totalBytes, m_endCentral, stop);
    if (stop)
        throw EUserCanceled("User canceled Zip operation");
}

int TZipWriter::writeNewArchive(std::uint64_t& totalBytes) {
    startZipInfo(totalBytes);
    std::unique_ptr<ZipOutput> out = openOutput(m_zipName); // deleted again if anything fails
    WriteFileJob job(*this, totalBytes, m_zipName);
    int count = writeEntries(*out, job);
    writeDirectoryAndEnd(*out);
    out->finish();
    m_finishedOutput = std::move(out);
    syncFolder(std::filesystem::absolute(m_zipName).parent_path());
    releaseWritten();
    ReadZip();
    return count;
}

// The entries written are known to the new directory from now on; two copies of a large directory
// at once would double the memory an operation needs.
void TZipWriter::releaseWritten() {
    m_written.clear();
    std::unordered_set<std::string>().swap(m_writtenNames);
}

int TZipWriter::writeEntries(ZipOutput& out, WriteFileJob& job) {
    struct Following {
        WriteFileJob& job;
        ~Following() {
            job.ahead.stopFollowing();
            job.listIndex = SIZE_MAX;
        }
    } following{job};
    job.ahead.follow(FilesList);
    int count = 0;
    for (std::size_t i = 0; i < FilesList.size(); ++i) {
        const std::string& path = FilesList[i];
        bool written = false;
        if (!path.empty() && path.back() == '/') {
            written = writeFolderEntry(out, path);
        } else {
            job.path = path;
            job.listIndex = i;
            written = writeOneFile(out, job) == FileOutcome::Written;
        }
        if (written)
            ++count;
    }
    return count;
}

bool TZipWriter::claimStoredName(const std::string& stored, const std::string& path, std::uint64_t size,
                                 std::uint64_t& totalBytes) {
    // Names that differ only in case are different files here: both belong in the backup.
    if (stored.empty() || !m_writtenNames.insert(stored).second) {
        totalBytes -= std::min(totalBytes, size);
        bool retry = false;
        if (OnSkippingFile)
            OnSkippingFile(SkipNoOverwrite, path, -1, retry);
        return false;
    }
    return true;
}

bool TZipWriter::writeFolderEntry(ZipOutput& out, const std::string& path) {
    TZipHeaderInfo entry;
    struct stat st {};
    bool exists = ::stat(path.c_str(), &st) == 0;
    entry.modifiedDateTime = dosTimeOf(exists ? st.st_mtime : std::time(nullptr));
    entry.compressionMethod = 0;
    entry.compressedSize = 0;
    entry.uncompressedSize = 0;
    entry.crc32 = 0;
    entry.internalAttributes = 0;
    entry.versionMadeBy = (HostUnix << 8) | 20;
    if (exists)
        entry.externalAttributes = attributesOf(st, path);
    entry.filePath = storedNameOf(path);
    entry.fileName.clear();
    if (needsUtf8Flag(entry.filePath))
        entry.flag |= FlagUtf8;
    entry.relativeOffset = out.position();
    std::uint64_t none = 0;
    std::string stored = entry.filePath;
    if (!claimStoredName(stored, path, 0, none))
        return false;
    bool skip = false;
    if (OnStartZip)
        OnStartZip(path, entry, skip);
    if (skip) {
        m_writtenNames.erase(stored); // nothing of that name was written
        return false;
    }
    entry.fileNameLength = static_cast<std::uint16_t>(entry.storedName().size());
    if (entry.relativeOffset >= Max32) {
        entry.versionNeeded = 45;
        entry.versionMadeBy = (HostUnix << 8) | 45;
    }
    std::string header = encodeLocalHeader(entry, false);
    out.keepTogether(header.size());
    entry.relativeOffset = out.position();
    entry.diskNumberStart = out.disk();
    out.write(header.data(), header.size());
    if (OnEndZip)
        OnEndZip(path, 0, 0, 0);
    m_written.push_back(std::move(entry));
    return true;
}

TZipWriter::FileOutcome TZipWriter::writeOneFile(ZipOutput& out, WriteFileJob& job) {
    const std::string& path = job.path;
    FileJob& file = job.ahead.begin(path, job.listIndex);
    struct Done {
        ReadAhead& ahead;
        ~Done() { ahead.finish(); }
    } done{job.ahead};
    while (!file.regular()) {
        if (!file.fd && file.openError == ENOENT)
            return FileOutcome::Unreadable; // vanished since the list was made
        bool retry = false;
        if (OnSkippingFile)
            OnSkippingFile(SkipCannotOpen, path, -1, retry);
        if (!retry || (file.fd && !S_ISREG(file.st.st_mode)))
            return FileOutcome::Unreadable;
        job.ahead.reopen(file);
    }
    const struct stat& st = file.st;
    if (std::make_pair(st.st_dev, st.st_ino) == job.archiveId)
        return FileOutcome::Skipped; // the archive being written
    TZipHeaderInfo entry;
    entry.versionMadeBy = (HostUnix << 8) | 20;
    entry.modifiedDateTime = dosTimeOf(st.st_mtime);
    entry.uncompressedSize = static_cast<std::uint64_t>(st.st_size);
    entry.externalAttributes = attributesOf(st, path);
    std::string stored = storedNameOf(path);
    entry.filePath = folderPart(stored);
    entry.fileName = fileNamePart(stored);
    entry.fileNameLength = static_cast<std::uint16_t>(stored.size());
    entry.relativeOffset = out.position();
    entry.diskNumberStart = 0;
    entry.internalAttributes = 2;
    if (needsUtf8Flag(stored))
        entry.flag |= FlagUtf8;
    if (!claimStoredName(stored, path, entry.uncompressedSize, job.totalBytes))
        return FileOutcome::Skipped;
    bool skip = false;
    if (OnStartZip)
        OnStartZip(path, entry, skip);
    job.ahead.kept(!skip);
    if (skip) {
        // Left out, so the name stays free for a later file (a changed namesake in another folder).
        m_writtenNames.erase(stored);
        job.totalBytes -= std::min(job.totalBytes, entry.uncompressedSize);
        return FileOutcome::Skipped;
    }
    if (!encodeFile(out, file, entry, job)) {
        m_writtenNames.erase(stored);
        return FileOutcome::Unreadable;
    }
    m_zippedSources.push_back(path);
    if (OnEndZip)
        OnEndZip(path, entry.uncompressedSize, entry.compressedSize, out.position());
    m_written.push_back(std::move(entry));
    return FileOutcome::Written;
}

bool TZipWriter::encodeFile(ZipOutput& out, FileJob& file, TZipHeaderInfo& entry, WriteFileJob& job) {
    if (!m_stage)
        return job.encoder.write(out, job.ahead, file, entry, job.doneBytes, job.totalBytes);
    // A piece may be gone before the entry's sizes are known, so the entry is completed aside.
    m_stage->truncate(0);
    entry.relativeOffset = 0;
    if (!job.encoder.write(*m_stage, job.ahead, file, entry, job.doneBytes, job.totalBytes))
        return false;
    copyStaged(out, entry);
    return true;
}

void TZipWriter::writeDirectoryAndEnd(ZipOutput& out) {
    TEndCentral& end = m_endCentral;
    end.centralOffset = out.position();
    end.centralDisk = out.disk();
    end.centralSize = 0;
    std::uint32_t recordDisk = out.disk();
    std::uint64_t recordsOnDisk = 0;
    for (auto it = m_written.begin(); it != m_written.end(); ++it) {
        std::string_view record = it.record();
        out.keepTogether(record.size());
        if (end.centralSize == 0) {
            end.centralOffset = out.position();
            end.centralDisk = out.disk();
        }
        if (out.disk() != recordDisk) {
            recordDisk = out.disk();
            recordsOnDisk = 0;
        }
        out.write(record.data(), record.size());
        end.centralSize += record.size();
        ++recordsOnDisk;
    }
    end.totalEntries = m_written.size();
    // The end records stay together on the last disk, which also holds the Zip64 end record.
    end.thisDisk = out.disk();
    end.entriesThisDisk = recordDisk == end.thisDisk ? recordsOnDisk : 0;
    out.keepTogether(encodeEnd(end).size());
    if (out.disk() != end.thisDisk) {
        end.thisDisk = out.disk();
        end.entriesThisDisk = 0;
    }
    std::string record = encodeEnd(end, out.position());
    out.write(record.data(), record.size());
    end.commentChanged = false;
}

void TZipWriter::disposeSources() {
    std::vector<std::string> sources = std::move(m_zippedSources);
    m_zippedSources.clear();
    if (!Dispose)
        return;
    for (const std::string& path : sources) {
        bool skip = false;
        if (OnDisposeFile)
            OnDisposeFile(path, skip);
        if (!skip)
            ::unlink(path.c_str());
    }
}

} // namespace quorvel
