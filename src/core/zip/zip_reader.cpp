#include "core/zip/zip_reader.h"

#include "core/util/strings.h"
#include "core/zip/archive_file.h"
#include "core/zip/disk_set.h"
#include "core/zip/zip_directory.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <numeric>

namespace quorvel {

TZipReader::TZipReader() = default;
TZipReader::~TZipReader() = default;

void TZipReader::setZipName(const std::string& name) {
    // File names are case-sensitive here: "a.zip" and "A.zip" are two archives.
    if (name == m_zipName)
        return;
    m_zipName = name;
    forgetArchive();
}

void TZipReader::setDestDir(const std::string& folder) {
    m_destDir = folder;
    while (m_destDir.size() > 1 && m_destDir.back() == '/')
        m_destDir.pop_back();
}

void TZipReader::setRootDir(const std::string& folder) {
    m_rootDir = folder;
    if (!m_rootDir.empty() && m_rootDir.back() != '/')
        m_rootDir.push_back('/');
}

void TZipReader::setZipComment(const std::string& comment) {
    if (comment == m_endCentral.comment)
        return;
    m_endCentral.comment = comment.substr(0, 65535);
    m_endCentral.commentLength = static_cast<std::uint16_t>(m_endCentral.comment.size());
    m_endCentral.commentChanged = true;
}

void TZipReader::forgetArchive() {
    m_archive.reset();
    m_disks.reset();
    m_directory.clear();
    m_endCentral = TEndCentral{};
    m_archiveMultiMode = mmNone;
    m_loaded = false;
    m_overlap.reset();
    m_entriesEnd = UINT64_MAX;
    m_orderValid = false;
    m_stamp = Stamp{};
}

std::string TZipReader::overlapMessage() const {
    return m_overlap ? EOverlappingEntries(m_zipName, m_overlap->first, m_overlap->second).what() : std::string();
}

void TZipReader::refuseOverlapping() const {
    if (m_overlap)
        throw EOverlappingEntries(m_zipName, m_overlap->first, m_overlap->second);
}

ArchiveFile& TZipReader::openArchive() {
    if (!m_archive)
        m_archive = std::make_unique<ArchiveFile>(m_zipName);
    return *m_archive;
}

void TZipReader::releaseArchive() {
    if (!KeepZipOpen)
        m_archive.reset();
}

void TZipReader::serviceMessages() {
    if (DoProcessMessages && processMessages)
        processMessages();
}

const DiskInfo& TZipReader::disks() const {
    if (diskInfo)
        return *diskInfo;
    return m_systemDisks;
}

std::string TZipReader::askForDisk(int number, const std::string& current, const std::string& cancelMessage) {
    std::string fname = current;
    if (OnGetNextDisk)
        OnGetNextDisk(number, fname);
    else if (!prompts ||
             !prompts->askOkCancel("Please insert disk " + std::to_string(number) + " of the multi-disk set.",
                                   MessageKind::Confirmation))
        fname.clear();
    if (fname.empty())
        throw EUserCanceled(cancelMessage);
    return fname;
}

const ByteSource& TZipReader::sourceFor(const TZipHeaderInfo& entry, std::unique_ptr<SpannedSource>& holder) {
    if (!m_disks)
        return openArchive();
    holder = std::make_unique<SpannedSource>(*m_disks, entry.diskNumberStart);
    return *holder;
}

bool TZipReader::archiveChanged() const {
    // The disks of a spanned set are changed in the drive on purpose.
    if (m_archiveMultiMode == mmSpan)
        return false;
    Stamp now;
    if (!statFile(m_zipName, now.mtimeNs, now.size))
        return true;
    return !(now == m_stamp);
}

void TZipReader::ensureLoaded() {
    if (!m_loaded || archiveChanged())
        ReadZip();
}

void TZipReader::ReadZip() {
    while (true) {
        try {
            readDirectoryOnce();
            return;
        } catch (const EIncompleteZip&) {
            bool askAgain = static_cast<bool>(OnInCompleteZip);
            m_archive.reset();
            m_directory.clear();
            m_orderValid = false;
            if (!askAgain) {
                m_loaded = false;
                return;
            }
        } catch (...) {
            forgetArchive();
            throw;
        }
    }
}

void TZipReader::readDirectoryOnce() {
    using namespace zipdirectory;
    m_archive.reset();
    m_disks.reset();
    m_archiveMultiMode = mmNone;
    m_directory.clear();
    m_overlap.reset();
    m_entriesEnd = UINT64_MAX;
    m_orderValid = false;
    m_loaded = false;
    ArchiveFile& file = openArchive();
    m_stamp = Stamp{file.modificationNs(), file.size()};
    auto tick = [this] { serviceMessages(); };

    std::optional<TEndCentral> end;
    if (file.size() == 0)
        end = TEndCentral{};
    else
        end = findEndRecord(file);
    std::unique_ptr<ArchiveFile> sideFile;
    if (!end) {
        std::filesystem::path side(m_zipName);
        side.replace_extension(".zfc");
        if (std::filesystem::is_regular_file(side)) {
            sideFile = std::make_unique<ArchiveFile>(side.string());
            end = findEndRecord(*sideFile);
        }
    }
    if (!end) {
        TIncompleteZipMode mode = IncompleteZipMode;
        if (OnInCompleteZip)
            OnInCompleteZip(mode);
        if (mode == izAssumeNotAZip)
            throw ENotAZipFile(m_zipName);
        if (mode == izAssumeMulti)
            throw EIncompleteZip(m_zipName);
        bool exe = toLowerAscii(m_zipName).ends_with(".exe");
        if (!rebuildFromLocalHeaders(file, exe ? 14000 : 0, OEMConvert, m_directory, tick))
            throw EBadZipFile(m_zipName);
        m_endCentral = TEndCentral{};
        m_entriesEnd = file.size();
    } else if (end->thisDisk != 0) {
        m_endCentral = *end;
        readSpannedDirectory(*end, sideFile != nullptr);
        // The side file holds nothing but the directory and the end records.
        if (sideFile && !readCentralDirectory(*sideFile, 0, *end, OEMConvert, m_directory, end->blockStart))
            throw EBadZipFile(m_zipName);
    } else {
        m_endCentral = *end;
        const ArchiveFile& source = sideFile ? *sideFile : file;
        std::uint64_t start = sideFile ? 0 : centralStart(source, *end);
        TSortedZip central;
        if (!readCentralDirectory(source, start, *end, OEMConvert, central, end->blockStart)) {
            if (!rebuildFromLocalHeaders(file, 0, OEMConvert, m_directory, tick))
                throw EBadZipFile(m_zipName);
            completeFromCentral(m_directory, central);
            m_entriesEnd = file.size();
        } else {
            m_directory = std::move(central);
            m_entriesEnd = sideFile ? file.size() : start;
        }
    }
    m_directory.sort(ByNone);
    checkOverlap(file);
    m_loaded = true;
    releaseArchive();
}

void TZipReader::checkOverlap(const ArchiveFile& file) {
    // The disks of a spanned set are not asked for here: their entries are taken as they claim.
    auto hasHeader = [&](const TZipHeaderInfo& entry) {
        unsigned char sig[4];
        return m_disks || (file.readExactAt(entry.relativeOffset, sig, sizeof sig) &&
                           std::memcmp(sig, "PK\x03\x04", sizeof sig) == 0);
    };
    if (auto pair = zipdirectory::findOverlap(m_directory, m_entriesEnd, hasHeader))
        m_overlap = {m_directory[pair->first].storedName(), m_directory[pair->second].storedName()};
}

std::string TZipReader::damagedSpan(const TZipHeaderInfo& entry) const {
    // Data that would run past the end of the file ends the operation as a premature end instead.
    std::uint64_t end = zipdirectory::minimalEndOf(entry);
    if (m_disks || end <= m_entriesEnd || end > m_stamp.size)
        return {};
    return "Not a valid zip file: its data runs past the entries";
}

// A set of several disks: removable media are read disk by disk, anything else as numbered pieces.
// The directory is read here unless it came from the side file of the first disk.
void TZipReader::readSpannedDirectory(const TEndCentral& end, bool fromSideFile) {
    DriveType drive = disks().driveType(m_zipName);
    m_archiveMultiMode = drive == DriveType::Removable || drive == DriveType::CdRom ? mmSpan : mmBlocks;
    useDiskSet(end, fromSideFile ? 0 : end.thisDisk, !fromSideFile);
    if (fromSideFile)
        return;
    SpannedSource central(*m_disks, end.centralDisk);
    if (!zipdirectory::readCentralDirectory(central, end.centralOffset, end, OEMConvert, m_directory, UINT64_MAX))
        throw EBadZipFile(m_zipName);
}

void TZipReader::useDiskSet(const TEndCentral& end, std::uint32_t currentDisk, bool zipNameIsLast) {
    m_disks = std::make_unique<DiskSet>(
        m_archiveMultiMode, m_zipName, end.thisDisk, currentDisk, zipNameIsLast,
        [this](int number) { return askForDisk(number, m_zipName, "User canceled loading new disk."); });
}

void TZipReader::adoptSpannedSet(std::vector<TZipHeaderInfo> entries, TEndCentral end, TMultiMode mode) {
    forgetArchive();
    for (TZipHeaderInfo& entry : entries)
        m_directory.add(std::move(entry));
    m_directory.sort(ByNone);
    m_endCentral = end;
    m_archiveMultiMode = mode;
    useDiskSet(end, end.thisDisk, true);
    statFile(m_zipName, m_stamp.mtimeNs, m_stamp.size);
    m_loaded = true;
}

const std::vector<std::size_t>& TZipReader::order() const {
    if (!m_orderValid || m_orderMode != SortMode) {
        m_order.resize(m_directory.size());
        std::iota(m_order.begin(), m_order.end(), std::size_t{0});
        TZipSortMode mode = SortMode;
        std::stable_sort(m_order.begin(), m_order.end(),
                         [&](std::size_t a, std::size_t b) { return entryLess(mode, m_directory[a], m_directory[b]); });
        m_orderMode = mode;
        m_orderValid = true;
    }
    return m_order;
}

int TZipReader::Count() const {
    return m_loaded ? static_cast<int>(m_directory.size()) : 0;
}

std::size_t TZipReader::physicalIndex(int index) const {
    if (index < 0 || index >= Count())
        throw EListError(index);
    return order()[static_cast<std::size_t>(index)];
}

const TZipHeaderInfo& TZipReader::Entry(int index) const {
    return m_directory[physicalIndex(index)];
}

std::string TZipReader::Filename(int index) const {
    return Entry(index).fileName;
}

std::string TZipReader::Pathname(int index) const {
    return Entry(index).filePath;
}

std::uint64_t TZipReader::UnCompressedSize(int index) const {
    return Entry(index).uncompressedSize;
}

DateTime TZipReader::FileDateTime(int index) const {
    return fromDosDateTime(Entry(index).modifiedDateTime);
}

std::string TZipReader::FileComment(int index) const {
    return Entry(index).fileComment.value_or(std::string());
}

} // namespace quorvel
