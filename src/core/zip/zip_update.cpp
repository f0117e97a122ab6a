// Adding files to and deleting entries from an existing archive: both build the new archive in a
// temporary file, copying the entries that stay without recompressing them, and then move it into
// the archive's place in one step.
#include "core/zip/zip_writer.h"

#include "core/platform/atomic_file.h"
#include "core/platform/leftover_files.h"
#include "core/util/strings.h"
#include "core/zip/archive_file.h"
#include "core/zip/entry_copier.h"
#include "core/zip/wildcard_match.h"
#include "core/zip/writer_run.h"
#include "core/zip/zip_directory.h"

#include <algorithm>
#include <cerrno>
#include <deque>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <unordered_set>

namespace quorvel {

// What happens to each entry of the old archive (physical order), and the files left to add.
struct TZipWriter::UpdatePlan {
    struct Decision {
        std::optional<std::size_t> file; // the file named like the entry
        bool replace = false;            // written anew from that file; otherwise kept
    };
    std::vector<std::string> files;
    std::vector<Decision> entries;
    std::vector<std::string> remaining;
    bool anyReplace = false;
};

namespace {

// A plain item names exactly one stored name; a mask without "/" is matched against the name alone.
// Case is ignored unless the archive holds the item's exact name (`exact`): names that differ only
// in case are different files here, and the one named must go, not another before it.
bool names(const std::string& item, const TZipHeaderInfo& entry, bool exact) {
    if (!IsWildcardName(item))
        return exact ? item == entry.storedName() : equalsIgnoreCase(item, entry.storedName());
    return WildcardMatch(item, item.find('/') == std::string::npos ? entry.fileName : entry.storedName());
}

} // namespace

std::string TZipWriter::temporaryFolder() const {
    std::error_code ec;
    if (!TempPath.empty() && std::filesystem::is_directory(TempPath, ec))
        return TempPath;
    std::filesystem::path system = std::filesystem::temp_directory_path(ec);
    return ec ? std::string("/tmp") : system.string();
}

std::optional<std::string> TZipWriter::pendingComment() const {
    if (!m_endCentral.commentChanged)
        return std::nullopt;
    return m_endCentral.comment;
}

void TZipWriter::loadExisting(const std::optional<std::string>& newComment) {
    ReadZip();
    if (!m_loaded)
        throw EIncompleteZip(m_zipName); // without a directory the file is not ours to replace
    refuseOverlapping();                 // its kept entries would be copied out of the shared bytes
    if (m_archiveMultiMode != mmNone)
        throw Error(ErrorKind::Refused,
                    "Cannot change " + m_zipName + ": it is one disk of an archive that spans several disks",
                    m_zipName);
    if (newComment)
        setZipComment(*newComment);
}

TZipWriter::UpdatePlan TZipWriter::planUpdate() {
    UpdatePlan plan;
    plan.files = std::move(FilesList);
    FilesList.clear();
    std::unordered_map<std::string, std::deque<std::size_t>> byName;
    for (std::size_t i = 0; i < plan.files.size(); ++i)
        byName[storedNameOf(plan.files[i])].push_back(i);
    std::vector<bool> matched(plan.files.size(), false);
    for (const TZipHeaderInfo& entry : m_directory) {
        UpdatePlan::Decision decision;
        auto found = byName.find(entry.storedName());
        if (found != byName.end() && !found->second.empty()) {
            decision.file = found->second.front();
            found->second.pop_front();
            matched[*decision.file] = true;
            struct stat st {};
            bool newer =
                ::stat(plan.files[*decision.file].c_str(), &st) == 0 && dosTimeOf(st.st_mtime) > entry.modifiedDateTime;
            decision.replace = ZipAction == zaReplace || newer;
            plan.anyReplace = plan.anyReplace || decision.replace;
        }
        plan.entries.push_back(decision);
    }
    for (std::size_t i = 0; i < plan.files.size(); ++i)
        if (!matched[i])
            plan.remaining.push_back(plan.files[i]);
    return plan;
}

int TZipWriter::updateArchive(std::uint64_t& totalBytes) {
    UpdatePlan plan = planUpdate();
    if (!plan.anyReplace && plan.remaining.empty() && !m_endCentral.commentChanged) {
        // Nothing changes, so the archive is not rewritten at all.
        for (std::size_t i = 0; i < plan.entries.size(); ++i) {
            if (!plan.entries[i].file)
                continue;
            m_zippedSources.push_back(plan.files[*plan.entries[i].file]);
            if (OnUpdate)
                OnUpdate(UpdateKeep, static_cast<int>(i));
        }
        return 0;
    }
    int count = 0;
    rebuildArchive(
        [&](ZipOutput& out, EntryCopier& copier) {
            WriteFileJob job(*this, totalBytes, m_zipName);
            count = mergeOldEntries(out, copier, plan, job);
            FilesList = std::move(plan.remaining);
            startZipInfo(totalBytes);
            count += writeEntries(out, job);
        },
        [this](std::uint64_t) { serviceMessages(); });
    return count;
}

// The old entries in physical order: kept ones are copied, named ones replaced by their file.
int TZipWriter::mergeOldEntries(ZipOutput& out, EntryCopier& copier, UpdatePlan& plan, WriteFileJob& job) {
    int count = 0;
    for (std::size_t i = 0; i < m_directory.size(); ++i) {
        const UpdatePlan::Decision& decision = plan.entries[i];
        const TZipHeaderInfo& old = m_directory[i];
        if (!decision.file) {
            copyKept(out, copier, old);
            continue;
        }
        const std::string& path = plan.files[*decision.file];
        if (!decision.replace) {
            if (OnUpdate)
                OnUpdate(UpdateKeep, static_cast<int>(i));
            m_zippedSources.push_back(path); // Dispose still deletes it: the archive holds it
            copyKept(out, copier, old);
            continue;
        }
        if (OnUpdate)
            OnUpdate(UpdateReplace, static_cast<int>(i));
        FileOutcome outcome = FileOutcome::Skipped;
        if (path.back() == '/') {
            outcome = writeFolderEntry(out, path) ? FileOutcome::Written : FileOutcome::Skipped;
        } else {
            job.path = path;
            outcome = writeOneFile(out, job);
        }
        if (outcome == FileOutcome::Written)
            ++count;
        else if (outcome == FileOutcome::Unreadable)
            copyKept(out, copier, old); // the old copy is all the user has of that file
        // Left out on purpose (OnStartZip): the entry goes.
    }
    return count;
}

void TZipWriter::copyKept(ZipOutput& out, EntryCopier& copier, TZipHeaderInfo entry) {
    copier.copy(out, entry);
    m_writtenNames.insert(entry.storedName());
    m_written.push_back(std::move(entry));
}

int TZipWriter::DeleteEntries() {
    RunScope scope(*this);
    loadExisting(pendingComment());
    int count = 0;
    std::vector<bool> drop = planDeletion(count);
    if (count == 0 && !m_endCentral.commentChanged)
        return 0;
    std::uint64_t keptBytes = 0;
    for (std::size_t i = 0; i < m_directory.size(); ++i)
        if (!drop[i])
            keptBytes += m_directory[i].compressedSize;
    rebuildArchive(
        [&](ZipOutput& out, EntryCopier& copier) {
            for (std::size_t i = 0; i < m_directory.size(); ++i)
                if (!drop[i])
                    copyKept(out, copier, m_directory[i]);
        },
        [&](std::uint64_t copied) {
            reportTotal(copied, keptBytes);
            serviceMessages();
        });
    return count;
}

// Each entry is named by an exact name left over, or else by the first item that matches it. A
// name or a plain item is used up by the entry it names, so it removes one entry; a mask goes on
// removing every entry it matches, also after a handler kept one of them.
std::vector<bool> TZipWriter::planDeletion(int& count) {
    std::vector<std::string> items = FilesList;
    std::unordered_map<std::string, int> exact;
    for (const std::string& name : ExactNames)
        ++exact[name];
    std::vector<bool> drop(m_directory.size(), false);
    std::unordered_set<std::string> stored;
    for (const TZipHeaderInfo& entry : m_directory)
        stored.insert(entry.storedName());
    for (std::size_t i = 0; i < m_directory.size(); ++i) {
        const TZipHeaderInfo& entry = m_directory[i];
        const auto name = exact.find(entry.storedName());
        const bool namedExactly = name != exact.end() && name->second > 0;
        auto item = items.end();
        if (namedExactly)
            --name->second;
        else
            item = std::find_if(items.begin(), items.end(),
                                [&](const std::string& it) { return names(it, entry, stored.count(it) > 0); });
        if (!namedExactly && item == items.end())
            continue;
        bool skip = false;
        if (OnDeleteEntry)
            OnDeleteEntry(entry.storedName(), skip);
        if (!skip) {
            drop[i] = true;
            ++count;
        }
        if (item != items.end() && !IsWildcardName(*item))
            items.erase(item);
    }
    return drop;
}

void TZipWriter::rebuildArchive(const std::function<void(ZipOutput&, EntryCopier&)>& body,
                                const EntryCopier::Progress& progress) {
    std::string folder = temporaryFolder();
    removeUpdateLeftovers(folder);
    std::string temporary = (std::filesystem::path(folder) / (std::string(UpdateTemporaryPrefix) + "XXXXXX")).string();
    UniqueFd created(::mkostemp(temporary.data(), O_CLOEXEC));
    if (!created)
        throw IoError::of("Cannot create a temporary file in", folder, errno);
    created.reset();
    std::unique_ptr<ZipOutput> out;
    try {
        out = openOutput(temporary); // deleted again if anything below fails
    } catch (...) {
        ::unlink(temporary.c_str());
        throw;
    }
    ArchiveFile source(m_zipName);
    std::uint64_t limit = source.size();
    if (m_endCentral.totalEntries > 0)
        limit = std::min(limit, zipdirectory::centralStart(source, m_endCentral));
    EntryCopier copier(source, limit, progress);
    body(*out, copier);
    writeDirectoryAndEnd(*out);
    out->finish();
    moveIntoPlace(temporary);
    releaseWritten();
    ReadZip();
}

// One rename puts the complete new archive in place of the old one, so the name always holds one
// of the two. Across file systems the copy goes to a hidden name beside the archive and is renamed
// from there; the old archive is never deleted first.
void TZipWriter::placeArchive(const std::string& temporary, const std::filesystem::path& target) {
    if (::rename(temporary.c_str(), target.c_str()) == 0)
        syncFolder(target.parent_path());
    else
        copyFileReplacing(temporary, target);
}

void TZipWriter::moveIntoPlace(const std::string& temporary) {
    std::error_code ec;
    std::filesystem::path target = std::filesystem::canonical(m_zipName, ec); // through a link, its archive
    if (ec)
        target = m_zipName;
    struct stat old {};
    if (::stat(target.c_str(), &old) == 0) { // the archive keeps its owner (where allowed) and permissions
        // Where the system does not allow it, the archive belongs to whoever updated it.
        (void)!::chown(temporary.c_str(), old.st_uid, old.st_gid);
        ::chmod(temporary.c_str(), old.st_mode & 0777);
    }
    try {
        placeArchive(temporary, target);
    } catch (const Error& error) {
        ::unlink(temporary.c_str());
        throw IoError("Could not copy from " + temporary + " -> " + m_zipName + " (" + error.what() +
                          "); the archive is unchanged",
                      m_zipName);
    }
    ::unlink(temporary.c_str());
}

// What updates that were killed left: temporary archives in the temporary folder and hidden
// copies beside this archive (an update across file systems copies it there first).
void TZipWriter::removeUpdateLeftovers(const std::string& temporaryFolder) const {
    removeLeftovers(temporaryFolder, isUpdateTemporaryName, ArchiveMagic);
    std::filesystem::path archive(m_zipName);
    const std::string name = archive.filename().string();
    removeLeftovers(
        archive.has_parent_path() ? archive.parent_path() : std::filesystem::path("."),
        [&name](const std::string& entry) { return replacedTargetOf(entry) == name; }, ArchiveMagic);
}

} // namespace quorvel
