#include "core/project/autostart_entry.h"

#include "core/platform/atomic_file.h"
#include "core/platform/data_folder.h"
#include "core/util/errors.h"

#include <cstdlib>
#include <system_error>

namespace quorvel {

namespace fs = std::filesystem;

namespace {

// An Exec argument in double quotes: the quoting rule escapes " ` $ \ with a backslash, and
// the string rule of desktop files doubles every backslash once more; "%" is doubled.
std::string quoteExecArgument(const std::string& argument) {
    std::string out = "\"";
    for (char c : argument) {
        if (c == '\\')
            out += "\\\\\\\\";
        else if (c == '"' || c == '`' || c == '$')
            out += std::string("\\\\") + c;
        else if (c == '%')
            out += "%%";
        else
            out += c;
    }
    return out + "\"";
}

} // namespace

fs::path autostartEntryPath() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    fs::path config = (xdg != nullptr && *xdg == '/') ? fs::path(xdg) : fs::path(homeFolder()) / ".config";
    return config / "autostart" / "quorvel-backup.desktop";
}

std::string autostartEntryText(const fs::path& executable) {
    // Named as the program's menu entry, so that the desktop's list of programs started at log-in
    // shows it under the name the user knows.
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Quorvel ZIP Backup\n"
           "Comment=Starts Quorvel ZIP Backup when you log in\n"
           "Exec=" +
           quoteExecArgument(executable.string()) +
           "\n"
           "Icon=quorvel-backup\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

void writeAutostartEntry(const fs::path& entry, const fs::path& executable) {
    std::error_code ec;
    fs::create_directories(entry.parent_path(), ec);
    if (ec)
        throw IoError("Cannot create the folder '" + entry.parent_path().string() + "': " + ec.message());
    writeFileAtomically(entry, autostartEntryText(executable));
}

void removeAutostartEntry(const fs::path& entry) {
    std::error_code ec;
    fs::remove(entry, ec);
    if (ec)
        throw IoError("Cannot remove '" + entry.string() + "': " + ec.message());
}

} // namespace quorvel
