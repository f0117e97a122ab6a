#pragma once

#include "core/platform/disk_info.h"
#include "core/util/date_time.h"
#include "core/util/user_prompts.h"
#include "core/zip/sorted_zip.h"
#include "core/zip/zip_errors.h"
#include "core/zip/zip_types.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace quorvel {

class ArchiveFile;
class ByteSource;
class DecodeAhead;
class DecodeBuffers;
class DiskSet;
class EntryDecoder;
class NameSelection;
class SafeDestination;
class SpannedSource;
struct ExtractJob;

// Result of checking one entry without writing it anywhere.
struct TEntryCheck {
    bool ok = false;
    std::string message; // empty when ok
    std::uint32_t calculatedCrc = 0;
};

// Reads the directory of a zip archive, lists its entries and extracts them.
// Entry names are UTF-8 with "/" as the separator; a "\" in a stored name is taken as a separator too.
class TZipReader {
public:
    TZipReader();
    virtual ~TZipReader();
    TZipReader(const TZipReader&) = delete;
    TZipReader& operator=(const TZipReader&) = delete;

    // --- properties -------------------------------------------------------------------------
    const std::string& ZipName() const { return m_zipName; }
    // A different name forgets the loaded directory, the comment and the open archive.
    void setZipName(const std::string& name);
    const std::string& DestDir() const { return m_destDir; }
    void setDestDir(const std::string& folder); // kept without a trailing "/"
    const std::string& RootDir() const { return m_rootDir; }
    void setRootDir(const std::string& folder); // kept with a trailing "/" when not empty

    TZipSortMode SortMode = ByNone;
    bool RecreateDirs = false;
    TUZOverwriteMode OverwriteMode = Prompt;
    // The entries UnZip extracts (when DoAll is false) and DeleteEntries removes: masks, and names
    // that match a stored name ignoring letter case.
    std::vector<std::string> FilesList;
    // Stored names (path + name as the archive holds them) that UnZip extracts and DeleteEntries
    // removes besides what FilesList names, taken literally: letter case counts and "*" or "?" are
    // part of the name. DeleteEntries removes one entry per name. Empty afterwards, like FilesList.
    std::vector<std::string> ExactNames;
    bool DoAll = false;
    TIncompleteZipMode IncompleteZipMode = izAssumeMulti;
    bool KeepZipOpen = false;
    bool DoProcessMessages = true;
    bool RetainAttributes = true;
    bool ReplaceReadOnly = false;
    bool FlushFilesOnClose = false;
    bool OEMConvert = true;
    std::string Password;

    // The built-in questions ("File Exists Alert", the request for the next disk of a spanned set).
    // Without prompts the safe answer is taken: an existing file is kept, a disk request is
    // canceled. Nothing is shown through it: failures are raised, or reported by the events.
    UserPrompts* prompts = nullptr;
    // Drive type and free space of the archive's medium; the real system when null. An archive of
    // several disks on a removable or CD drive is read disk by disk (mmSpan), anywhere else as
    // numbered pieces (mmBlocks).
    const DiskInfo* diskInfo = nullptr;
    // Called between blocks while DoProcessMessages is true.
    std::function<void()> processMessages;

    // --- events, in the order they fire during UnZip -----------------------------------------
    // A FilesList item or an ExactNames name that names no entry of the archive, so nothing is
    // extracted for it. A folder entry counts as named also where RecreateDirs leaves nothing to do
    // for it.
    std::function<void(const std::string& Name)> OnNoSuchEntry;
    std::function<void(int NumFiles, std::uint64_t TotalBytes, bool& StopNow)> OnStartUnZipInfo;
    std::function<void(int FileIndex, std::string& FName, bool& Skip)> OnStartUnZip;
    std::function<void(bool& OverWriteIt, int FileIndex, std::string& FName)> OnPromptForOverwrite;
    std::function<void(int FileIndex, std::string& NewPassword)> OnBadPassword;
    std::function<void(int Percent)> OnFilePercentDone;
    std::function<void(int Percent)> OnTotalPercentDone;
    std::function<void(std::uint32_t CalcCRC, std::uint32_t StoredCRC, int FileIndex)> OnBadCRC;
    std::function<void(TSkipReason Reason, const std::string& FName, int FileIndex, bool& Retry)> OnSkippingFile;
    // An entry failed with an error message (unknown method, oversize data, unsafe name, write
    // failure); fired before the file is given up, so callers can show why.
    std::function<void(int FileIndex, const std::string& FName, const std::string& Message)> OnUnZipError;
    std::function<void(int FileIndex, const std::string& FName)> OnEndUnZip;
    // Asks for disk NextDisk (1-based) of a spanned set; FName starts as the archive's name and is
    // where the disk is then read (or written); an empty FName cancels. Without a handler the
    // built-in question "Please insert disk N of the multi-disk set." is asked through prompts.
    std::function<void(int NextDisk, std::string& FName)> OnGetNextDisk;
    std::function<void(TIncompleteZipMode& IncompleteMode)> OnInCompleteZip;
    std::function<void(int FileCount)> OnUnZipComplete;

    // --- operations -------------------------------------------------------------------------
    // Reads the directory of ZipName (done implicitly when needed).
    void ReadZip();
    // Number of entries; 0 when no archive is loaded.
    int Count() const;
    // Indexed by 0..Count()-1 in SortMode order; other indexes raise "Index %d is out of range".
    std::string Filename(int index) const;
    std::string Pathname(int index) const;
    std::uint64_t UnCompressedSize(int index) const;
    DateTime FileDateTime(int index) const;
    std::string FileComment(int index) const;
    const TZipHeaderInfo& Entry(int index) const;

    // The archive comment; setting a different text marks the end record as changed.
    const std::string& ZipComment() const { return m_endCentral.comment; }
    void setZipComment(const std::string& comment);

    // Extracts the selected entries; returns how many files were extracted.
    int UnZip();

    // Decompresses one entry (SortMode index) in memory and checks its CRC with Password.
    TEntryCheck testEntry(int index);
    // Checks every entry as testEntry does, several at once on worker threads (Threads), and hands
    // each result to `report` on the calling thread in SortMode order. Only a few entries per
    // thread are in work at once, whatever the size of the archive.
    using EntryCheckReport = std::function<void(int index, const TEntryCheck& check)>;
    void testEntries(const EntryCheckReport& report);
    // Threads that check entries in testEntries and decode them for UnZip; 0: one per processor (or
    // QUORVEL_THREADS when set). Every event still fires on the calling thread, in order.
    int Threads = 0;

    // The directory in physical order, the end record and the spanning kind of the loaded archive.
    const TSortedZip& directory() const { return m_directory; }
    const TEndCentral& endCentral() const { return m_endCentral; }
    TMultiMode archiveMultiMode() const { return m_archiveMultiMode; }
    bool isLoaded() const { return m_loaded; }
    // The loaded archive has entries whose data overlap (a zip bomb construction): it can be
    // listed, but extracting, testing and updating it raise EOverlappingEntries.
    bool overlappingEntries() const { return m_overlap.has_value(); }
    // What EOverlappingEntries says of the loaded archive (empty when its entries do not overlap).
    std::string overlapMessage() const;

protected:
    // Loads the directory when none is loaded or the archive file changed since it was read.
    void ensureLoaded();
    void forgetArchive();
    // Raises EOverlappingEntries when the loaded archive's entries overlap.
    void refuseOverlapping() const;
    ArchiveFile& openArchive();
    void releaseArchive();
    void serviceMessages();
    std::size_t physicalIndex(int index) const;
    const DiskInfo& disks() const;
    // The path where disk `number` (1-based) can be read or written now; raises EUserCanceled
    // with `cancelMessage` when the request is canceled.
    std::string askForDisk(int number, const std::string& current, const std::string& cancelMessage);
    // Takes the directory of a spanned set that was just written, so it is not read back disk by disk.
    void adoptSpannedSet(std::vector<TZipHeaderInfo> entries, TEndCentral end, TMultiMode mode);
    // Where an entry's bytes are read: the archive, or the disks of a spanned set from the entry's disk on.
    const ByteSource& sourceFor(const TZipHeaderInfo& entry, std::unique_ptr<SpannedSource>& holder);

    std::string m_zipName;
    std::string m_destDir;
    std::string m_rootDir;
    TSortedZip m_directory;
    TEndCentral m_endCentral;
    TMultiMode m_archiveMultiMode = mmNone;
    bool m_loaded = false;
    std::optional<std::pair<std::string, std::string>> m_overlap; // stored names of two entries
    std::uint64_t m_entriesEnd = UINT64_MAX; // where entry data ends: the directory's start, when known
    std::unique_ptr<DiskSet> m_disks;        // the disks of a spanned set that was read

private:
    struct Stamp {
        std::int64_t mtimeNs = 0;
        std::uint64_t size = 0;
        bool operator==(const Stamp&) const = default;
    };
    void readDirectoryOnce();
    void checkOverlap(const ArchiveFile& file);
    // The message of an entry whose data would run past the entries (empty when it does not).
    std::string damagedSpan(const TZipHeaderInfo& entry) const;
    // The check of testEntry, safe on any thread: it reads the archive and the entry only.
    TEntryCheck checkEntry(const ByteSource& source, const TZipHeaderInfo& entry, DecodeBuffers& buffers) const;
    void readSpannedDirectory(const TEndCentral& end, bool fromSideFile);
    void useDiskSet(const TEndCentral& end, std::uint32_t currentDisk, bool zipNameIsLast);
    bool archiveChanged() const;
    const std::vector<std::size_t>& order() const;
    std::vector<std::size_t> selectEntries(std::uint64_t& totalBytes);
    void reportNoSuchEntries(const NameSelection& byMask, const NameSelection& byName) const;
    void extractSelected(const std::vector<std::size_t>& selected, std::uint64_t totalBytes, int& count);
    std::unique_ptr<DecodeAhead> decodeAheadFor(const std::vector<std::size_t>& selected);
    // zip_extract.cpp: the steps of extracting one entry
    enum class Decoded { Good, WrongData, Failed };
    bool extractEntry(ExtractJob& job);
    bool safeFolderOf(ExtractJob& job, std::vector<std::string>& folder);
    void extractFolder(ExtractJob& job, const std::vector<std::string>& folder);
    bool startFile(ExtractJob& job);
    bool dataReadable(ExtractJob& job);
    bool askNewPassword(int index);
    bool passwordAccepted(ExtractJob& job, const EntryDecoder& decoder);
    bool targetCreated(ExtractJob& job);
    Decoded decodeToTarget(ExtractJob& job, EntryDecoder& decoder, std::uint32_t& crc);
    bool writeDecodedAhead(ExtractJob& job);
    void reportProgress(const ExtractJob& job, std::uint64_t written);
    bool retryAfterWrongData(ExtractJob& job, std::uint32_t crc);
    void commitFile(ExtractJob& job);
    void failEntry(ExtractJob& job, const std::string& message);
    void skipEntry(TSkipReason reason, const std::string& name, int index);

    Stamp m_stamp;
    SystemDiskInfo m_systemDisks;
    std::unique_ptr<ArchiveFile> m_archive;
    mutable std::vector<std::size_t> m_order;
    mutable TZipSortMode m_orderMode = ByNone;
    mutable bool m_orderValid = false;
};

} // namespace quorvel
