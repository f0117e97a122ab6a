#include "core/backup/run_journal.h"

#include "core/util/strings.h"

#include <sys/stat.h>

namespace quorvel {

namespace {

constexpr std::string_view ArchiveKey = "Pending Archive";
constexpr std::string_view IdentityKey = "Pending Id";
constexpr std::string_view NumberKey = "Pending Number";
constexpr std::string_view FilterKey = "Pending Filter";
constexpr std::string_view RingKey = "Pending Ring";
constexpr std::string_view StatusKey = "Pending Status";
constexpr std::string_view InformationKey = "Pending Information";
constexpr std::string_view LeavingKey = "Pending Leaving"; // followed by the index from 1

std::string leavingKey(std::size_t index) {
    return std::string(LeavingKey) + std::to_string(index + 1);
}

} // namespace

void writeRunJournal(IniDocument& doc, std::string_view project, const RunJournal& journal) {
    clearRunJournal(doc, project);
    doc.writeString(project, ArchiveKey, journal.archive);
    doc.writeString(project, IdentityKey, journal.identity);
    doc.writeInteger(project, NumberKey, journal.number);
    if (journal.filter)
        doc.writeString(project, FilterKey, formatDateTime(*journal.filter));
    doc.writeBool(project, RingKey, journal.ring);
    doc.writeString(project, StatusKey, journal.status);
    doc.writeString(project, InformationKey, journal.information);
    for (std::size_t i = 0; i < journal.leaving.size(); ++i)
        doc.writeString(project, leavingKey(i), journal.leaving[i]);
}

std::optional<RunJournal> readRunJournal(const IniDocument& doc, std::string_view project) {
    RunJournal journal;
    journal.archive = doc.readString(project, ArchiveKey);
    if (journal.archive.empty())
        return std::nullopt;
    journal.identity = doc.readString(project, IdentityKey);
    journal.number = doc.readInteger(project, NumberKey, 0);
    journal.filter = parseDateTime(doc.readString(project, FilterKey));
    journal.ring = doc.readBool(project, RingKey, false);
    journal.status = doc.readString(project, StatusKey);
    journal.information = doc.readString(project, InformationKey);
    for (std::size_t i = 0;; ++i) {
        std::optional<std::string> entry = doc.value(project, leavingKey(i));
        if (!entry)
            break;
        journal.leaving.push_back(std::move(*entry));
    }
    return journal;
}

void clearRunJournal(IniDocument& doc, std::string_view project) {
    for (const std::string& key : doc.keys(project)) {
        if (startsWithIgnoreCase(key, "Pending "))
            doc.removeKey(project, key);
    }
}

std::string fileIdentity(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return {};
    return std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
}

} // namespace quorvel
