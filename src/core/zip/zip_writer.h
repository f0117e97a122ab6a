#pragma once

#include "core/zip/written_entries.h"
#include "core/zip/zip_output.h"
#include "core/zip/zip_reader.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

namespace quorvel {

class EntryCopier;
class FileZipOutput;
struct FileJob;
struct WriteFileJob;

// Writes a zip archive from a list of files, folders and masks (FilesList):
//  - "/path/file"            a file;
//  - "/path/*.txt"           a folder and a mask (">" in front: always recurse, "|": never);
//  - "/path/folder/"         a folder entry;
//  - "name"                  relative to RootDir.
// Sizes and offsets beyond 4 GiB and more than 65535 entries are written as Zip64.
//
// An existing archive is never changed in place: Zip adds to it and DeleteEntries removes from it
// by building a new archive in a temporary file (kept entries are copied without recompression),
// which then replaces the archive in one rename. Until that rename the archive is exactly as it
// was, whatever happens (a crash, a full disk, an exception), and the old archive is gone only
// once the new one is complete in its place.
//
// With MultiZipInfo.MultiMode set, a new archive is always written, in pieces: numbered files
// (mmBlocks) or one file per removable disk sized by the disk's free space (mmSpan).
class TZipWriter : public TZipReader {
public:
    TZipWriter();
    ~TZipWriter() override;

    int PackLevel = 6; // 0 stores, 1..9 deflate level
    bool Recurse = false;
    bool Dispose = false;
    bool StorePaths = false;
    bool RelativePaths = false;
    bool StoreVolumes = false; // no volumes on Linux: accepted, without effect
    TZipAction ZipAction = zaUpdate;
    TMultiZipInfo MultiZipInfo;
    bool Store83Names = false; // no short names on Linux: accepted, without effect
    // Folder of the temporary archive of an update and of the data staged while spanning; the
    // system's temporary folder ($TMPDIR or /tmp) when empty or not a folder.
    std::string TempPath;
    bool SkipIfArchiveBitNotSet = false; // the archive bit is always set on Linux
    bool ResetArchiveBitOnZip = false;   // accepted, without effect
    std::vector<std::string> ExcludeList;
    std::vector<std::string> NoCompressList;
    bool AddDirEntriesOnRecurse = false;
    // Threads that read ahead, check and compress files while the archive is written in its order;
    // 0: one per processor (or QUORVEL_THREADS when set). The archive is the same whatever the count.
    int Threads = 0;

    // --- events, in the order they fire during Zip -------------------------------------------
    std::function<void(const std::string& FName)> OnRecursingFile;
    std::function<void(const std::string& FName)> OnNoSuchFile;
    // An entry of the existing archive is replaced by its file or kept (FileIndex: physical order).
    std::function<void(TUpdateAction UDAction, int FileIndex)> OnUpdate;
    std::function<void(int NumFiles, std::uint64_t TotalBytes, TEndCentral& EndCentralRecord, bool& StopNow)>
        OnStartZipInfo;
    std::function<void(const std::string& FName, TZipHeaderInfo& ZipHeader, bool& Skip)> OnStartZip;
    // When assigned, replaces the built-in encryption of each buffer.
    std::function<void(std::uint8_t* buffer, int length, const std::string& Password)> OnEncrypt;
    std::function<void(const std::string& FName, std::uint64_t UncompressedSize, std::uint64_t CompressedSize,
                       std::uint64_t CurrentZipSize)>
        OnEndZip;
    std::function<void(const std::string& FName, bool& Skip)> OnDisposeFile;
    // DeleteEntries: an entry (stored path + name) is about to be removed; Skip keeps it.
    std::function<void(const std::string& FName, bool& Skip)> OnDeleteEntry;
    // Spanning: the disk DiskNum (1-based) was inserted and is about to be written.
    std::function<void(int DiskNum)> OnPrepareNextDisk;
    // Fires once the archive is complete, synced, closed and its directory reloaded.
    std::function<void(int FileCount)> OnZipComplete;

    // Writes the archive, or adds to the existing one as ZipAction says; returns the number of
    // entries written (new or replaced). FilesList is empty afterwards.
    int Zip();
    // Removes the entries ExactNames and FilesList name: each exact name and each plain FilesList
    // item removes one entry (a plain item the entry stored under exactly that name, when there is
    // one, else one differing in letter case), a mask without "/" every entry whose file name it
    // matches, any other mask every entry whose path + name it matches. Returns how many were
    // removed; both lists are empty afterwards.
    int DeleteEntries();

    // True when the file would be stored without compression (NoCompressList).
    bool isNoCompress(const std::string& path) const;
    // True when the file is excluded (ExcludeList).
    bool isExcluded(const std::string& path) const;
    // The name a file (or a folder path ending in "/") gets in the archive.
    std::string storedNameOf(const std::string& path) const;

protected:
    // Opens the archive being written (or a temporary archive, or one piece); tests substitute a
    // failing device.
    virtual std::unique_ptr<ZipOutput> openOutput(const std::string& path);
    // Puts a finished temporary archive in the archive's place (`target`, links resolved): one
    // rename, or across file systems a copy beside the archive that is renamed over it; raises
    // on failure and leaves the archive as it was. Tests substitute a failing one.
    virtual void placeArchive(const std::string& temporary, const std::filesystem::path& target);
    // Reads up to `size` bytes of a source file at `offset`, fewer only at its end; raises IoError
    // naming `path` when reading fails. Called on worker threads too, for several files at once.
    // Tests substitute a disk that fails part-way.
    virtual std::size_t readSourceBlock(int fd, std::uint64_t offset, unsigned char* buffer, std::size_t size,
                                        const std::string& path);

private:
    friend class EntryEncoder;
    friend class ReadAhead;
    enum class FileOutcome { Written, Skipped, Unreadable };
    struct RunScope;
    struct UpdatePlan;

    // zip_writer.cpp: new archives and the entries of every archive
    int writeNewArchive(std::uint64_t& totalBytes);
    void startZipInfo(std::uint64_t totalBytes);
    int writeEntries(ZipOutput& out, WriteFileJob& job);
    FileOutcome writeOneFile(ZipOutput& out, WriteFileJob& job);
    bool encodeFile(ZipOutput& out, FileJob& file, TZipHeaderInfo& entry, WriteFileJob& job);
    bool writeFolderEntry(ZipOutput& out, const std::string& path);
    bool claimStoredName(const std::string& stored, const std::string& path, std::uint64_t size,
                         std::uint64_t& totalBytes);
    void writeDirectoryAndEnd(ZipOutput& out);
    void disposeSources();
    void releaseWritten();
    void reportTotal(std::uint64_t done, std::uint64_t total);

    // file_list_expansion.cpp
    std::uint64_t expandFilesList();
    void expandWildcard(const std::string& entry, std::vector<std::string>& found, std::uint64_t& totalBytes);
    bool mayAdd(const std::string& path) const;

    // zip_update.cpp: adding to and deleting from an existing archive
    std::optional<std::string> pendingComment() const;
    void loadExisting(const std::optional<std::string>& newComment);
    UpdatePlan planUpdate();
    int updateArchive(std::uint64_t& totalBytes);
    int mergeOldEntries(ZipOutput& out, EntryCopier& copier, UpdatePlan& plan, WriteFileJob& job);
    void copyKept(ZipOutput& out, EntryCopier& copier, TZipHeaderInfo entry);
    std::vector<bool> planDeletion(int& count);
    void rebuildArchive(const std::function<void(ZipOutput&, EntryCopier&)>& body,
                        const std::function<void(std::uint64_t copied)>& progress);
    void moveIntoPlace(const std::string& temporary);
    void removeUpdateLeftovers(const std::string& temporaryFolder) const;

    // zip_span.cpp: archives in pieces
    int writeSpannedArchive(std::uint64_t& totalBytes);
    void copyStaged(ZipOutput& out, TZipHeaderInfo& entry);
    std::uint64_t sideFileReserve() const;
    void writeSideFile(const std::string& firstDiskPath);

    std::string temporaryFolder() const;

    WrittenEntries m_written;                       // the new archive's entries, in physical order
    std::unordered_set<std::string> m_writtenNames; // stored names, for duplicates (case counts)
    std::vector<std::string> m_zippedSources;
    std::unordered_set<std::string> m_freshenNames; // stored names of the archive (zaFreshen)
    bool m_freshenOnly = false;                     // zaFreshen: only files already in the archive count
    std::unique_ptr<FileZipOutput> m_stage;         // spanning: each entry is staged here first
    std::unique_ptr<ZipOutput> m_finishedOutput;    // a new archive, held until Zip returns
    int m_lastTotalPercent = -1;
};

} // namespace quorvel
