#include "core/restore/archive_entry_maintenance.h"

#include "core/project/backup_project.h"
#include "core/restore/archive_maintenance.h"
#include "core/util/path_parts.h"
#include "core/util/strings.h"
#include "core/zip/wildcard_match.h"
#include "core/zip/zip_writer.h"

#include <algorithm>

namespace quorvel {

namespace {

// A writer for one change of the archive, reporting to the window and to nobody else. Without
// prompts it shows nothing itself: a failed final move reaches the user once, as the error raised.
std::unique_ptr<TZipWriter> writerFor(const std::string& archive, RunProgress& progress,
                                      const ArchiveWriterFactory& makeWriter) {
    std::unique_ptr<TZipWriter> writer = makeWriter ? makeWriter() : std::make_unique<TZipWriter>();
    writer->setZipName(archive);
    // An archive without a readable directory is not rebuilt from what can be guessed of it.
    writer->IncompleteZipMode = izAssumeNotAZip;
    writer->MultiZipInfo.MultiMode = mmNone; // changed in place, never written anew in pieces
    writer->DoProcessMessages = true;
    showProgressOf(*writer, progress);
    return writer;
}

template <typename Work> auto whileBusy(RunProgress& progress, Work work) {
    BusyState busy(progress);
    progress.showProgressStrip(true);
    return work();
}

std::string notAddedMessage(const std::string& archive, const std::vector<std::string>& lines) {
    std::string text = std::to_string(lines.size()) + (lines.size() == 1 ? " file was" : " files were") +
                       " not added to '" + archive + "':";
    for (const std::string& line : lines)
        text += "\n" + line;
    return text;
}

} // namespace

int addFilesToArchive(UserPrompts& prompts, RunProgress& progress, const std::string& archive,
                      const std::vector<std::string>& files, const ProjectWriterSettings& settings,
                      const ArchiveWriterFactory& makeWriter) {
    std::vector<std::string> notAdded;
    std::vector<std::string> plain;
    for (const std::string& file : files) {
        if (IsWildcardName(file))
            notAdded.push_back(file + " (its name holds one of * ? < > |)");
        else
            plain.push_back(file);
    }
    int written = 0;
    if (!plain.empty()) {
        std::unique_ptr<TZipWriter> writer = writerFor(archive, progress, makeWriter);
        applyWriterSettings(*writer, settings);
        writer->FilesList = plain;
        writer->OnStartZip = [&progress](const std::string& path, TZipHeaderInfo&, bool&) {
            progress.setProgressFileName(fileNamePart(path));
        };
        writer->OnNoSuchFile = [&notAdded](const std::string& path) {
            notAdded.push_back(path + " (no longer there)");
        };
        writer->OnSkippingFile = [&notAdded](TSkipReason reason, const std::string& path, int, bool&) {
            if (reason == SkipCannotOpen)
                notAdded.push_back(path + " (could not be read)");
            else if (reason == SkipNoOverwrite)
                notAdded.push_back(path + " (another chosen file takes its name in the archive)");
        };
        written = whileBusy(progress, [&] { return writer->Zip(); });
    }
    if (!notAdded.empty())
        prompts.showMessage(notAddedMessage(archive, notAdded), MessageKind::Warning);
    return written;
}

std::optional<int> deleteArchiveEntries(UserPrompts& prompts, RunProgress& progress, const std::string& archive,
                                        const std::vector<std::string>& storedNames,
                                        const ArchiveWriterFactory& makeWriter) {
    if (storedNames.empty())
        return std::nullopt;
    if (!prompts.askYesNo(deleteFilesQuestion(storedNames.size(), "from the archive '" + archive + "'", storedNames),
                          MessageKind::Warning))
        return std::nullopt;
    std::unique_ptr<TZipWriter> writer = writerFor(archive, progress, makeWriter);
    // Each row removes the one entry stored under exactly its name, "*" and "?" included.
    writer->ExactNames = storedNames;
    return whileBusy(progress, [&] { return writer->DeleteEntries(); });
}

} // namespace quorvel
