#include "core/schedule/project_run_lock.h"

#include "core/util/strings.h"

#include <cstdio>
#include <zlib.h>

namespace quorvel {

namespace {

constexpr std::size_t ReadableNameLength = 40;

std::string holderText(const FileLock& lock) {
    return lock.holder() ? " (process " + std::to_string(*lock.holder()) + ")" : std::string();
}

// A readable part of the name for whoever looks into the folder, and a checksum of the whole
// name that keeps long or non-ASCII names apart.
std::string lockFileName(std::string_view project) {
    const std::string key = toLowerAscii(trim(project));
    std::string readable;
    for (char c : key.substr(0, ReadableNameLength)) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
        readable += plain ? c : '_';
    }
    const uLong crc =
        ::crc32(::crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(key.data()), static_cast<uInt>(key.size()));
    char checksum[9];
    std::snprintf(checksum, sizeof checksum, "%08lx", crc & 0xffffffffUL);
    return "project-" + readable + "-" + checksum + ".lock";
}

} // namespace

std::filesystem::path projectLockPath(const DataFiles& data, std::string_view project) {
    return data.locksFolder() / lockFileName(project);
}

ProjectRunLock::ProjectRunLock(const DataFiles& data, std::string_view project)
    : m_project(trim(project)), m_lock(projectLockPath(data, project)) {}

std::string ProjectRunLock::refusalMessage() const {
    return "A backup of the project '" + m_project + "' is already running" + holderText(m_lock) +
           "; this run was not started.";
}

BackupOutcome ProjectRunLock::refuse(UserPrompts& prompts) const {
    BackupOutcome outcome;
    outcome.status = BackupStatus::Refused;
    outcome.message = refusalMessage();
    prompts.showMessage(outcome.message, MessageKind::Error);
    return outcome;
}

SchedulerLock::SchedulerLock(const DataFiles& data)
    : m_folder(data.folder.string()), m_lock(data.locksFolder() / "scheduler.lock") {}

std::string SchedulerLock::refusalMessage() const {
    if (m_lock.busy())
        return "A scheduler is already running on the data folder '" + m_folder + "'" + holderText(m_lock) + ".";
    return "Cannot lock '" + m_lock.path().string() + "': " + m_lock.error();
}

} // namespace quorvel
