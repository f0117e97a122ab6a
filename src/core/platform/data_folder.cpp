#include "core/platform/data_folder.h"

#include "core/util/errors.h"

#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace quorvel {

namespace fs = std::filesystem;

std::filesystem::path resolveDataFolder(const fs::path& exeFolder) {
    std::error_code ec;
    if (!exeFolder.empty() && fs::is_regular_file(exeFolder / "portable", ec))
        return exeFolder;
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && *xdg == '/')
        return fs::path(xdg) / "quorvel-backup";
    std::string home = homeFolder();
    return fs::path(home) / ".config" / "quorvel-backup";
}

void ensureDataFolder(const fs::path& folder) {
    std::error_code ec;
    if (fs::is_directory(folder, ec))
        return;
    fs::create_directories(folder, ec);
    if (ec)
        throw IoError("Cannot create the data folder '" + folder.string() + "': " + ec.message());
    ::chmod(folder.c_str(), 0700);
}

fs::path executableFolder() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec)
        return fs::current_path(ec);
    return exe.parent_path();
}

std::string homeFolder() {
    std::string home;
    if (const char* env = std::getenv("HOME"); env != nullptr && *env == '/')
        home = env;
    else if (const passwd* pw = ::getpwuid(::getuid()); pw != nullptr && pw->pw_dir != nullptr)
        home = pw->pw_dir;
    else
        home = "/";
    if (home.back() != '/')
        home += '/';
    return home;
}

} // namespace quorvel
