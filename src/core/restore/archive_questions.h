#pragma once

#include "core/zip/zip_types.h"

namespace quorvel {

// The question the reader puts when an archive has no readable end record. The desktop program
// answers with the incomplete-zip dialog; without one the archive is taken as not a zip file.
class ArchiveQuestions {
public:
    virtual ~ArchiveQuestions() = default;
    virtual TIncompleteZipMode askIncompleteZip() { return izAssumeNotAZip; }
};

} // namespace quorvel
