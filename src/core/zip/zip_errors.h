#pragma once

#include "core/util/errors.h"

#include <string>

namespace quorvel {

// The zip engine's errors, by the names its callers know them. Each sets its kind; the subject is
// the archive or the entry concerned where the raising code knows it.

// The archive's directory is damaged beyond repair, or an entry's data is.
class EBadZipFile : public Error {
public:
    static constexpr const char* Text = "Not a valid zip file!";
    explicit EBadZipFile(std::string subject = {}) : Error(ErrorKind::BadZipFile, Text, std::move(subject)) {}
    EBadZipFile(const std::string& message, std::string subject)
        : Error(ErrorKind::BadZipFile, message, std::move(subject)) {}

protected:
    EBadZipFile(ErrorKind kind, const std::string& message, std::string subject)
        : Error(kind, message, std::move(subject)) {}
};

// Two entries share bytes of the archive (one directory record's data holds another entry, or
// two records name the same data): the construction of zip bombs, refused as a whole.
class EOverlappingEntries : public EBadZipFile {
public:
    EOverlappingEntries(const std::string& zipName, const std::string& first, const std::string& second)
        : EBadZipFile(ErrorKind::OverlappingEntries,
                      "The archive " + zipName + " is refused: the data of its entries '" + first + "' and '" + second +
                          "' overlap, as in a zip bomb",
                      zipName) {}
};

// The end record is missing: the last disk of a set may be needed.
class EIncompleteZip : public Error {
public:
    explicit EIncompleteZip(std::string zipName = {})
        : Error(ErrorKind::IncompleteZip, "Incomplete Zip File", std::move(zipName)) {}
};

class ENotAZipFile : public Error {
public:
    explicit ENotAZipFile(std::string zipName = {})
        : Error(ErrorKind::NotAZipFile, EBadZipFile::Text, std::move(zipName)) {}
};

class EFatalUnzipError : public Error {
public:
    explicit EFatalUnzipError(std::string entry = {})
        : Error(ErrorKind::PrematureEnd, "Premature end of file reached", std::move(entry)) {}
};

class EUserCanceled : public Error {
public:
    explicit EUserCanceled(const std::string& message) : Error(ErrorKind::Cancelled, message) {}
};

class EBiggerThanUncompressed : public Error {
public:
    explicit EBiggerThanUncompressed(std::string entry = {})
        : Error(ErrorKind::BiggerThanUncompressed, "File is larger than uncompressed size!", std::move(entry)) {}
};

class ENotEnoughRoom : public Error {
public:
    explicit ENotEnoughRoom(std::string path = {})
        : Error(ErrorKind::NotEnoughRoom, "Not enough room to write archive", std::move(path)) {}
};

class ECantWriteUCF : public Error {
public:
    ECantWriteUCF() : Error(ErrorKind::CantWriteUncompressed, "Cant write uncompressed file") {}
    // Names the file and the system's reason (a full disk, a quota, a failing device).
    ECantWriteUCF(const std::string& path, const std::string& reason)
        : Error(ErrorKind::CantWriteUncompressed, "Cant write uncompressed file " + path + ": " + reason, path) {}
};

// An indexed property was read with an index outside 0..Count-1.
class EListError : public Error {
public:
    explicit EListError(int index)
        : Error(ErrorKind::IndexOutOfRange, "Index " + std::to_string(index) + " is out of range") {}
};

} // namespace quorvel
