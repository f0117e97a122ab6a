#include "core/restore/archive_entry_maintenance.h"

#include "core/project/backup_project.h"
#include "core/restore/archive_maintenance.h"
#include "core/util/strings.h"
#include "core/zip/wildcard_match.h"
#include "core/zip/zip_writer.h"

#include <algorithm>
#include <map>

namespace quorvel {

namespace {

std::string fileNameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A writer for one change of the archive, reporting to the window and to nobody else. Without
// prompts it shows nothing itself: a failed final move reaches the user once, as the error raised.
std::unique_ptr<TZipWriter> writerFor(const std::string& archive, BackupProgress& progress,
                                      const ArchiveWriterFactory& makeWriter) {
    std::unique_ptr<TZipWriter> writer = makeWriter ? makeWriter() : std::make_unique<TZipWriter>();
    writer->setZipName(archive);
    // An archive without a readable directory is not rebuilt from what can be guessed of it.
    writer->IncompleteZipMode = izAssumeNotAZip;
    writer->MultiZipInfo.MultiMode = mmNone; // changed in place, never written anew in pieces
    writer->DoProcessMessages = true;
    writer->processMessages = [&progress] { progress.processMessages(); };
    writer->OnTotalPercentDone = [&progress](int percent) { progress.setTotalPercent(percent); };
    writer->OnFilePercentDone = [&progress](int percent) { progress.setFilePercent(percent); };
    return writer;
}

template <typename Work> auto whileBusy(BackupProgress& progress, Work work) {
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

AddFilesSettings addFilesSettingsOf(const BackupProject& project) {
    AddFilesSettings settings;
    settings.recurse = project.includeSubfolders;
    settings.storePaths = project.storePaths;
    const std::string password = trim(project.password);
    settings.password = project.usePassword && !password.empty() ? password : std::string();
    settings.packLevel = std::clamp(project.packLevel, MinPackLevel, MaxPackLevel);
    return settings;
}

int addFilesToArchive(UserPrompts& prompts, BackupProgress& progress, const std::string& archive,
                      const std::vector<std::string>& files, const AddFilesSettings& settings,
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
        writer->Recurse = settings.recurse;
        writer->StorePaths = settings.storePaths;
        writer->Password = settings.password;
        writer->PackLevel = settings.packLevel;
        writer->AddDirEntriesOnRecurse = false;
        writer->FilesList = plain;
        writer->OnStartZip = [&progress](const std::string& path, TZipHeaderInfo&, bool&) {
            progress.setProgressFileName(fileNameOf(path));
        };
        writer->OnNoSuchFile = [&notAdded](const std::string& path) { notAdded.push_back(path + " (no longer there)"); };
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

std::optional<int> deleteArchiveEntries(UserPrompts& prompts, BackupProgress& progress, const std::string& archive,
                                        const std::vector<std::string>& storedNames,
                                        const ArchiveWriterFactory& makeWriter) {
    if (storedNames.empty())
        return std::nullopt;
    if (!prompts.askYesNo(deleteFilesQuestion(storedNames.size(), "from the archive '" + archive + "'", storedNames),
                          MessageKind::Warning))
        return std::nullopt;
    // How often each stored name was selected: one row removes one entry.
    std::map<std::string, int> named;
    for (const std::string& name : storedNames)
        ++named[name];
    std::unique_ptr<TZipWriter> writer = writerFor(archive, progress, makeWriter);
    // The writer takes a plain name as naming any entry that differs only in letter case, and a
    // name holding "*" or "?" as a mask. So every entry is offered and only exactly the named ones
    // go; an entry named "Notes.txt" never takes the place of the selected "notes.txt".
    writer->FilesList = {"*"};
    writer->OnDeleteEntry = [&named](const std::string& name, bool& skip) {
        const auto found = named.find(name);
        skip = found == named.end() || found->second == 0;
        if (!skip)
            --found->second;
    };
    return whileBusy(progress, [&] { return writer->DeleteEntries(); });
}

} // namespace quorvel
