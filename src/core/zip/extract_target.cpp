#include "core/zip/extract_target.h"

#include "core/util/date_time.h"
#include "core/zip/safe_destination.h"
#include "core/zip/zip_errors.h"
#include "core/zip/zip_format.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvel {

namespace {

constexpr int MaxTempAttempts = 100;

std::string tempNameCandidate() {
    thread_local std::mt19937 random{std::random_device{}()};
    static constexpr char Hex[] = "0123456789abcdef";
    std::string name = ".qz";
    for (int i = 0; i < 10; ++i)
        name.push_back(Hex[random() % 16]);
    return name + ".part";
}

// The built-in overwrite question: the stored name, then where the file is and how the two
// copies differ, so that the answer is not given blind.
std::string replaceQuestion(const std::string& storedName, const std::string& path, const struct stat& existing,
                            std::uint32_t entryDosTime, std::uint64_t entrySize) {
    return "Replace existing file " + storedName + "?\r\r" + path +
           "\rExisting file:     " + formatDateTime(fromTimeT(existing.st_mtime)) + ", " +
           std::to_string(existing.st_size) +
           " bytes\rFrom the archive:  " + formatDateTime(fromDosDateTime(entryDosTime)) + ", " +
           std::to_string(entrySize) + " bytes";
}

} // namespace

ExtractTarget::ExtractTarget(SafeDestination& destination, const std::string& destDir, std::vector<std::string> folder,
                             std::string name)
    : m_destination(destination), m_folderParts(std::move(folder)), m_name(std::move(name)) {
    m_shown = destDir;
    if (!m_shown.empty() && m_shown.back() != '/')
        m_shown.push_back('/');
    for (const std::string& part : m_folderParts)
        m_shown += part + "/";
    m_shown += m_name;
}

ExtractTarget::~ExtractTarget() {
    discard();
}

bool ExtractTarget::open(const std::string& fname, std::string& error) {
    if (fname == m_shown) {
        m_folder = m_destination.openFolder(m_folderParts, error);
        return m_folder >= 0;
    }
    // A handler chose another path: it is trusted like the user's own DestDir.
    std::filesystem::path path(fname);
    m_name = path.filename().string();
    m_shown = fname;
    std::filesystem::path parent = path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    std::error_code ec;
    std::filesystem::create_directories(parent, ec);
    m_ownFolder = UniqueFd(::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!m_ownFolder || !SafeDestination::validName(m_name)) {
        error = systemError("Cannot create", fname, m_ownFolder ? EINVAL : errno);
        return false;
    }
    m_folder = m_ownFolder.get();
    return true;
}

bool ExtractTarget::mayReplace(const OverwriteRules& rules, std::string& error) {
    struct stat st {};
    if (::fstatat(m_folder, m_name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno == ENOENT)
            return true;
        error = systemError("Cannot examine", m_shown, errno);
        return false;
    }
    m_exists = true;
    if (m_destination.wroteEarlier(st)) {
        // Equal names from different folders, restored without their folders, meet here: the one
        // written first stays, and each later one is reported lost rather than counted twice.
        error = "Not restored: " + m_shown + " was written from another entry of the same name";
        return false;
    }
    if (S_ISLNK(st.st_mode)) {
        error = "Refusing to replace the symbolic link " + m_shown;
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        error = "Cannot create " + m_shown + ": something that is not a file has that name";
        return false;
    }
    std::uint32_t fileDos = toDosDateTime(fromTimeT(st.st_mtime));
    bool replace = false;
    switch (rules.mode) {
    case Always:
        replace = true;
        break;
    case Never:
        break;
    case ifNewer:
        replace = rules.entryDosTime > fileDos;
        break;
    case ifOlder:
        replace = rules.entryDosTime < fileDos;
        break;
    case Prompt:
        if (rules.onPrompt && *rules.onPrompt) {
            std::string fname = m_shown;
            (*rules.onPrompt)(replace, rules.index, fname);
        } else if (rules.answerForAll && rules.answerForAll->has_value()) {
            replace = **rules.answerForAll;
        } else if (rules.prompts) {
            const ToAllAnswer answer = rules.prompts->askYesNoToAll(
                replaceQuestion(rules.storedName, m_shown, st, rules.entryDosTime, rules.entrySize),
                MessageKind::Confirmation);
            replace = answer == ToAllAnswer::Yes || answer == ToAllAnswer::YesToAll;
            if (rules.answerForAll && (answer == ToAllAnswer::YesToAll || answer == ToAllAnswer::NoToAll))
                *rules.answerForAll = replace;
        }
        break;
    }
    if (replace && (st.st_mode & S_IWUSR) == 0 && !rules.replaceReadOnly) {
        error = "Cannot replace the read-only file " + m_shown;
        return false;
    }
    return replace;
}

bool ExtractTarget::create(std::string& error) {
    for (int attempt = 0; attempt < MaxTempAttempts; ++attempt) {
        std::string candidate = m_exists || attempt > 0 ? tempNameCandidate() : m_name;
        int fd = ::openat(m_folder, candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0) {
            m_file = UniqueFd(fd);
            m_tempName = candidate;
            return true;
        }
        if (errno == EEXIST && candidate == m_name) {
            error = "Cannot create " + m_shown + ": it appeared while extracting";
            return false;
        }
        if (errno != EEXIST) {
            error = systemError("Cannot create", m_shown, errno);
            return false;
        }
    }
    error = systemError("Cannot create", m_shown, EEXIST);
    return false;
}

void ExtractTarget::write(const unsigned char* data, std::size_t size) {
    while (size > 0) {
        ssize_t n = ::write(m_file.get(), data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw ECantWriteUCF(m_shown, std::strerror(n < 0 ? errno : ENOSPC));
        data += n;
        size -= static_cast<std::size_t>(n);
    }
}

void ExtractTarget::rewind() {
    if (::ftruncate(m_file.get(), 0) != 0 || ::lseek(m_file.get(), 0, SEEK_SET) != 0)
        throw ECantWriteUCF(m_shown, std::strerror(errno));
}

void ExtractTarget::discard() noexcept {
    m_file.reset();
    if (!m_tempName.empty())
        ::unlinkat(m_folder, m_tempName.c_str(), 0);
    m_tempName.clear();
}

bool ExtractTarget::commit(bool retainAttributes, bool flush, const TZipHeaderInfo& entry, std::string& error) {
    unsigned mode = m_destination.defaultFileMode();
    std::uint32_t unixMode = entry.externalAttributes >> 16;
    if (retainAttributes) {
        if (entry.hostSystem() == zipformat::HostUnix && (unixMode & S_IFMT) == S_IFREG)
            mode = unixMode & 0777; // never setuid, setgid or sticky
        else if (entry.externalAttributes & 0x01)
            mode &= ~0222u; // MS-DOS read-only
    }
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_NOW;
    times[1].tv_sec = toTimeT(fromDosDateTime(entry.modifiedDateTime));
    times[1].tv_nsec = 0;
    struct stat written {};
    bool ok = ::fchmod(m_file.get(), mode) == 0 && ::futimens(m_file.get(), times) == 0 &&
              (!flush || ::fsync(m_file.get()) == 0) && ::fstat(m_file.get(), &written) == 0;
    int closeResult = ::close(m_file.release());
    bool moved = m_tempName == m_name || ::renameat(m_folder, m_tempName.c_str(), m_folder, m_name.c_str()) == 0;
    if (!ok || closeResult != 0 || !moved) {
        error = systemError("Cannot create", m_shown, errno);
        discard();
        return false;
    }
    m_tempName.clear();
    m_destination.noteWritten(written);
    return true;
}

} // namespace quorvel
