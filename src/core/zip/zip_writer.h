#pragma once

#include "core/zip/zip_output.h"
#include "core/zip/zip_reader.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

namespace quorvel {

struct WriteFileJob;

// Writes a new zip archive from a list of file specifications (FilesList):
//  - "/path/file"            a file;
//  - "/path/*.txt"           a folder and a mask (">" in front: always recurse, "|": never);
//  - "/path/folder/"         a folder entry;
//  - "name"                  relative to RootDir.
// Sizes and offsets beyond 4 GiB and more than 65535 entries are written as Zip64.
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
    TMultiZipInfo MultiZipInfo;
    bool Store83Names = false;           // no short names on Linux: accepted, without effect
    bool SkipIfArchiveBitNotSet = false; // the archive bit is always set on Linux
    bool ResetArchiveBitOnZip = false;   // accepted, without effect
    std::vector<std::string> ExcludeList;
    std::vector<std::string> NoCompressList;
    bool AddDirEntriesOnRecurse = false;

    // --- events, in the order they fire during Zip -------------------------------------------
    std::function<void(const std::string& FName)> OnRecursingFile;
    std::function<void(const std::string& FName)> OnNoSuchFile;
    std::function<void(int NumFiles, std::uint64_t TotalBytes, TEndCentral& EndCentralRecord, bool& StopNow)>
        OnStartZipInfo;
    std::function<void(const std::string& FName, TZipHeaderInfo& ZipHeader, bool& Skip)> OnStartZip;
    // When assigned, replaces the built-in encryption of each buffer.
    std::function<void(std::uint8_t* buffer, int length, const std::string& Password)> OnEncrypt;
    std::function<void(const std::string& FName, std::uint64_t UncompressedSize, std::uint64_t CompressedSize,
                       std::uint64_t CurrentZipSize)>
        OnEndZip;
    std::function<void(const std::string& FName, bool& Skip)> OnDisposeFile;
    // Fires once the archive is complete, synced, closed and its directory reloaded.
    std::function<void(int FileCount)> OnZipComplete;

    // Writes the archive; returns the number of entries written. FilesList is empty afterwards.
    int Zip();

    // True when the file would be stored without compression (NoCompressList).
    bool isNoCompress(const std::string& path) const;
    // True when the file is excluded (ExcludeList).
    bool isExcluded(const std::string& path) const;
    // The name a file (or a folder path ending in "/") gets in the archive.
    std::string storedNameOf(const std::string& path) const;

protected:
    // Opens the archive being written; tests substitute a failing device.
    virtual std::unique_ptr<ZipOutput> openOutput(const std::string& path);

private:
    friend class EntryEncoder;
    std::uint64_t expandFilesList();
    void expandWildcard(const std::string& entry, std::vector<std::string>& found, std::uint64_t& totalBytes);
    int writeEntries(ZipOutput& out, std::uint64_t& totalBytes);
    bool writeOneFile(ZipOutput& out, WriteFileJob& job);
    bool writeFolderEntry(ZipOutput& out, const std::string& path);
    bool claimStoredName(const std::string& stored, const std::string& path, std::uint64_t size,
                         std::uint64_t& totalBytes);
    void writeDirectoryAndEnd(ZipOutput& out);
    void disposeSources();
    void reportTotal(std::uint64_t done, std::uint64_t total);

    std::vector<TZipHeaderInfo> m_written;   // the new archive's entries, in physical order
    std::unordered_set<std::string> m_writtenNames; // lower-cased stored names, for duplicates
    std::vector<std::string> m_zippedSources;
    int m_lastTotalPercent = -1;
};

} // namespace quorvel
