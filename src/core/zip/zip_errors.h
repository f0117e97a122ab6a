#pragma once

#include "core/util/errors.h"

#include <string>

namespace quorvel {

// The archive's directory is damaged beyond repair.
class EBadZipFile : public Error {
public:
    EBadZipFile() : Error("Not a valid zip file!") {}
    explicit EBadZipFile(const std::string& message) : Error(message) {}
};

// Two entries share bytes of the archive (one directory record's data holds another entry, or
// two records name the same data): the construction of zip bombs, refused as a whole.
class EOverlappingEntries : public EBadZipFile {
public:
    EOverlappingEntries(const std::string& zipName, const std::string& first, const std::string& second)
        : EBadZipFile("The archive " + zipName + " is refused: the data of its entries '" + first + "' and '" + second +
                      "' overlap, as in a zip bomb") {}
};

// The end record is missing: the last disk of a set may be needed.
class EIncompleteZip : public Error {
public:
    EIncompleteZip() : Error("Incomplete Zip File") {}
};

class ENotAZipFile : public Error {
public:
    ENotAZipFile() : Error("Not a valid zip file!") {}
};

class EFatalUnzipError : public Error {
public:
    explicit EFatalUnzipError(const std::string& message = "Premature end of file reached") : Error(message) {}
};

class EUserCanceled : public Error {
public:
    explicit EUserCanceled(const std::string& message) : Error(message) {}
};

class EBiggerThanUncompressed : public Error {
public:
    EBiggerThanUncompressed() : Error("File is larger than uncompressed size!") {}
};

class ENotEnoughRoom : public Error {
public:
    ENotEnoughRoom() : Error("Not enough room to write archive") {}
};

class ECantWriteUCF : public Error {
public:
    ECantWriteUCF() : Error("Cant write uncompressed file") {}
    // Names the file and the system's reason (a full disk, a quota, a failing device).
    ECantWriteUCF(const std::string& path, const std::string& reason)
        : Error("Cant write uncompressed file " + path + ": " + reason) {}
};

// An indexed property was read with an index outside 0..Count-1.
class EListError : public Error {
public:
    explicit EListError(int index) : Error("Index " + std::to_string(index) + " is out of range") {}
};

} // namespace quorvel
