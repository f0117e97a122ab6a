#pragma once

#include "core/util/user_prompts.h"
#include "core/zip/archive_file.h"
#include "core/zip/zip_types.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quorvel {

class SafeDestination;

// The file one entry is extracted to. When a file of that name exists, the data goes to a temporary
// file beside it, which replaces the destination only once the data proved good, so a failed entry
// never destroys an existing file. A new file is created exclusively and removed when it fails.
class ExtractTarget {
public:
    ExtractTarget(SafeDestination& destination, const std::string& destDir, std::vector<std::string> folder,
                  std::string name);
    ~ExtractTarget();
    ExtractTarget(const ExtractTarget&) = delete;
    ExtractTarget& operator=(const ExtractTarget&) = delete;

    // The full destination path shown to handlers.
    const std::string& shownName() const { return m_shown; }
    // Opens the destination folder: the safe one below DestDir, or, when a handler chose another
    // full path, that path's folder.
    bool open(const std::string& fname, std::string& error);

    struct OverwriteRules {
        TUZOverwriteMode mode = Prompt;
        bool replaceReadOnly = false;
        std::uint32_t entryDosTime = 0;
        std::string storedName;
        int index = 0;
        UserPrompts* prompts = nullptr;
        const std::function<void(bool&, int, std::string&)>* onPrompt = nullptr;
        // The answer "Yes to all" or "No to all" gave for the rest of one extraction; asked
        // again while it holds none.
        std::optional<bool>* answerForAll = nullptr;
        std::uint64_t entrySize = 0;
    };
    // Whether an existing destination may be replaced; false with `error` empty means "keep it".
    // A file that this extraction wrote is never replaced: `error` says so.
    bool mayReplace(const OverwriteRules& rules, std::string& error);

    bool create(std::string& error);
    // Raises ECantWriteUCF naming the file and the system's reason on a short write.
    void write(const unsigned char* data, std::size_t size);
    // Empties the file being written, to write it again from the start.
    void rewind();
    void discard() noexcept;
    // Sets permissions and time and moves the file into place.
    bool commit(bool retainAttributes, bool flush, const TZipHeaderInfo& entry, std::string& error);

private:
    SafeDestination& m_destination;
    std::vector<std::string> m_folderParts;
    std::string m_name;
    std::string m_shown;
    int m_folder = -1;
    UniqueFd m_ownFolder;
    UniqueFd m_file;
    std::string m_tempName; // the file being written (the destination itself when it did not exist)
    bool m_exists = false;
};

} // namespace quorvel
