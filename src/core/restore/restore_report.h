#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel {

inline constexpr std::string_view NoArchiveToRestore = "No Zip file to restore!";
inline constexpr std::string_view PasswordIncorrect = "The password is incorrect";
inline constexpr std::string_view RestoreFilesFails = "Restore files fails!";
inline constexpr std::string_view NoRestoreFolder = "Please enter the folder to extract to!";

// An entry a restore was asked for and did not write.
struct EntryFailure {
    std::string name;   // the stored path and name
    std::string reason; // what went wrong, as the user is told
};

// What happened to the entries of one restore besides the files written: the failures, and the
// files kept because the overwrite mode said so (those are no failure).
class RestoreTally {
public:
    // An entry (by the reader's index) that was not restored; only its first reason counts.
    void failed(int index, std::string name, std::string reason);
    // A requested name that named no entry of the archive.
    void notFound(std::string name);
    void kept() { ++m_kept; }

    const std::vector<EntryFailure>& failures() const { return m_failures; }
    int keptCount() const { return m_kept; }
    int notFoundCount() const { return m_notFound; }

private:
    std::set<int> m_failedIndexes;
    std::vector<EntryFailure> m_failures;
    int m_kept = 0;
    int m_notFound = 0;
};

// The size of an archive in whole kilobytes, or nothing when it cannot be read.
std::optional<std::uint64_t> archiveSizeKb(const std::string& path);

// The success report: "Restore " + count + " Files Succeeds!", the project and the archive name.
std::string restoreSucceededMessage(int count, std::string_view project, std::string_view archiveName);
// The report of a restore that left entries out: RestoreFilesFails, the project, the archive
// name, how many were restored and how many not, then the first failures with their reasons.
std::string restoreIncompleteMessage(int count, std::string_view project, std::string_view archiveName,
                                     const std::vector<EntryFailure>& failures);

// The information of the "Restore" log entries: the archive path, two blanks and its size as
// "<KB>Kb" (the path alone when the size is unknown); a success puts the count in front.
std::string restoreLogInformation(std::string_view zipName, std::optional<std::uint64_t> sizeKb);
std::string restoreSucceededLogInformation(int count, std::string_view zipName, std::optional<std::uint64_t> sizeKb);
// A failed restore's information: the above followed by ": " and the reason.
std::string restoreFailedLogInformation(std::string_view zipName, std::optional<std::uint64_t> sizeKb,
                                        std::string_view reason);
// A reason followed by "; " + n + " files not restored" when n is not 0.
std::string withFilesLeftOut(std::string_view reason, int leftOut);
// The message of a restore that an error ended: the error, then how many files were restored and
// how many not (when any were left out).
std::string restoreEndedMessage(std::string_view error, int restored, int leftOut);
// The reason of an incomplete restore in one line: the number left out and the first of them.
std::string failuresSummary(const std::vector<EntryFailure>& failures);

} // namespace quorvel
