#pragma once

#include <string>
#include <vector>

namespace quorvel {

// One folder to search and the mask its entries must match.
struct SearchTarget {
    std::string folder; // full path ending in "/"
    std::string mask;

    bool operator==(const SearchTarget&) const = default;
};

// The folders and masks of one search. When `includeFiles` is not empty its entries are used,
// each split at its last "/" into folder and mask. Otherwise the mask is `filename` ("*.*"
// when empty, with ".*" appended when it has no "."), and `location` is split at ";" into
// folders, an empty part meaning the current folder. Folders are made absolute and normal
// ("/a/./b/../c" is "/a/c/"). A target that repeats an earlier one is dropped:
// folders compare exactly, as the file system names them, masks without regard to case.
std::vector<SearchTarget> buildSearchTargets(const std::vector<std::string>& includeFiles, const std::string& location,
                                             const std::string& filename);

// The folder as the finder's events name it: without its trailing "/", except for "/" itself.
std::string folderForEvents(const std::string& folderWithSlash);

} // namespace quorvel
