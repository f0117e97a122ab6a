#include "core/restore/restore_report.h"

#include <filesystem>

namespace quorvel {

namespace {

// Enough lines to see what went wrong without a window taller than the screen.
constexpr std::size_t ShownFailures = 10;

std::string projectAndArchiveLines(std::string_view project, std::string_view archiveName) {
    return "Project Name: '" + std::string(project) + "'\r" + "Filename:     '" + std::string(archiveName) + "'";
}

} // namespace

void RestoreTally::failed(int index, std::string name, std::string reason) {
    if (m_failedIndexes.insert(index).second)
        m_failures.push_back({std::move(name), std::move(reason)});
}

void RestoreTally::notFound(std::string name) {
    m_failures.push_back({std::move(name), "not found in the archive"});
    ++m_notFound;
}

std::optional<std::uint64_t> archiveSizeKb(const std::string& path) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error)
        return std::nullopt;
    return size / 1024;
}

std::string restoreSucceededMessage(int count, std::string_view project, std::string_view archiveName) {
    return "Restore " + std::to_string(count) + " Files Succeeds!\r" + projectAndArchiveLines(project, archiveName);
}

std::string restoreIncompleteMessage(int count, std::string_view project, std::string_view archiveName,
                                     const std::vector<EntryFailure>& failures) {
    std::string text = std::string(RestoreFilesFails) + "\r" + projectAndArchiveLines(project, archiveName) + "\r" +
                       std::to_string(count) + " files restored, " + std::to_string(failures.size()) +
                       " files not restored:";
    for (std::size_t i = 0; i < failures.size() && i < ShownFailures; ++i)
        text += "\r" + failures[i].name + ": " + failures[i].reason;
    if (failures.size() > ShownFailures)
        text += "\r... and " + std::to_string(failures.size() - ShownFailures) + " more";
    return text;
}

std::string restoreLogInformation(std::string_view zipName, std::optional<std::uint64_t> sizeKb) {
    std::string text(zipName);
    if (sizeKb)
        text += "  " + std::to_string(*sizeKb) + "Kb";
    return text;
}

std::string restoreSucceededLogInformation(int count, std::string_view zipName, std::optional<std::uint64_t> sizeKb) {
    return std::to_string(count) + " files restore from " + restoreLogInformation(zipName, sizeKb);
}

std::string restoreFailedLogInformation(std::string_view zipName, std::optional<std::uint64_t> sizeKb,
                                        std::string_view reason) {
    return restoreLogInformation(zipName, sizeKb) + ": " + std::string(reason);
}

std::string withFilesLeftOut(std::string_view reason, int leftOut) {
    std::string text(reason);
    if (leftOut > 0)
        text += "; " + std::to_string(leftOut) + " files not restored";
    return text;
}

std::string restoreEndedMessage(std::string_view error, int restored, int leftOut) {
    std::string text(error);
    if (leftOut > 0)
        text += "\r" + std::to_string(restored) + " files restored, " + std::to_string(leftOut) + " files not restored";
    return text;
}

std::string failuresSummary(const std::vector<EntryFailure>& failures) {
    if (failures.empty())
        return {};
    std::string text = std::to_string(failures.size()) + " files not restored (" + failures.front().name + ": " +
                       failures.front().reason;
    return text + (failures.size() > 1 ? ", ...)" : ")");
}

} // namespace quorvel
