#include "core/zip/safe_destination.h"

#include "core/util/errors.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvel {

SafeDestination::SafeDestination(const std::string& base) : m_baseName(base.empty() ? "." : base) {
    std::error_code ec;
    std::filesystem::create_directories(m_baseName, ec);
    m_base = UniqueFd(::open(m_baseName.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!m_base)
        throw IoError::of("Cannot open folder", m_baseName, errno);
    // The umask can only be read without changing it through the process status file.
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("Umask:", 0) == 0) {
            m_defaultFileMode = 0666 & ~static_cast<unsigned>(std::stoul(line.substr(6), nullptr, 8));
            break;
        }
    }
}

bool SafeDestination::validName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos &&
           name.find('\0') == std::string_view::npos;
}

bool SafeDestination::splitRelative(std::string_view path, std::vector<std::string>& components) {
    components.clear();
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string_view::npos)
            end = path.size();
        std::string_view part = path.substr(start, end - start);
        if (part == ".." || part.find('\0') != std::string_view::npos)
            return false;
        if (!part.empty() && part != ".")
            components.emplace_back(part);
        start = end + 1;
    }
    return true;
}

int SafeDestination::openFolder(const std::vector<std::string>& components, std::string& error) {
    if (components.empty())
        return m_base.get();
    if (m_cached && components == m_cachedPath)
        return m_cached.get();
    m_cached.reset();
    UniqueFd current;
    int parent = m_base.get();
    std::string shown = m_baseName;
    for (const std::string& part : components) {
        shown += "/" + part;
        if (::mkdirat(parent, part.c_str(), 0777) != 0 && errno != EEXIST) {
            error = systemError("Cannot create folder", shown, errno);
            return -1;
        }
        UniqueFd next(::openat(parent, part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!next) {
            int err = errno;
            error = err == ELOOP || err == ENOTDIR ? "Refusing to extract through " + shown + ": not a folder"
                                                   : systemError("Cannot open folder", shown, err);
            return -1;
        }
        current = std::move(next);
        parent = current.get();
    }
    m_cachedPath = components;
    m_cached = std::move(current);
    return m_cached.get();
}

} // namespace quorvel
