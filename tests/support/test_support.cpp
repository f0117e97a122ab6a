#include "support/test_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>
#include <utime.h>

namespace quorvel::test {

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "quorvel-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    // Tests may leave read-only files and folders behind; make them removable first.
    for (auto it = fs::recursive_directory_iterator(m_path, fs::directory_options::skip_permission_denied, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (!it->is_symlink())
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::remove_all(m_path, ec);
}

void writeFile(const fs::path& path, std::string_view contents) {
    if (path.has_parent_path())
        fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path.string());
    std::ostringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

std::vector<std::string> namesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void setModificationTime(const fs::path& path, std::time_t when) {
    struct utimbuf times {
        when, when
    };
    if (::utime(path.c_str(), &times) != 0)
        throw std::runtime_error("cannot set time of " + path.string());
}

ProcessResult runProcess(const std::vector<std::string>& argv, const fs::path& workingDir) {
    ProcessResult result;
    int pipeFds[2];
    if (argv.empty() || ::pipe(pipeFds) != 0)
        return result;
    pid_t pid = ::fork();
    if (pid < 0) {
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        return result;
    }
    if (pid == 0) {
        ::dup2(pipeFds[1], 1);
        ::dup2(pipeFds[1], 2);
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        if (!workingDir.empty() && ::chdir(workingDir.c_str()) != 0)
            ::_exit(127);
        std::vector<char*> args;
        for (const auto& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0)
        result.output.append(buffer, static_cast<size_t>(n));
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

bool haveTool(const std::string& name) {
    return runProcess({"sh", "-c", "command -v " + name + " >/dev/null"}).exitCode == 0;
}

std::string randomBytes(size_t size, std::uint32_t seed) {
    std::mt19937 rng(seed);
    std::string out(size, '\0');
    for (auto& c : out)
        c = static_cast<char>(rng() & 0xFF);
    return out;
}

std::string compressibleText(size_t size, std::uint32_t seed) {
    static const char* words[] = {"backup ", "archive ", "project ", "restore ", "folder ", "quorvel ",
                                  "data\n",  "file ",    "zip ",     "entry ",   "2026 ",   "schedule "};
    std::mt19937 rng(seed);
    std::string out;
    out.reserve(size + 16);
    while (out.size() < size)
        out += words[rng() % (sizeof words / sizeof words[0])];
    out.resize(size);
    return out;
}

fs::path sourceDir() {
    return QUORVEL_SOURCE_DIR;
}
fs::path binaryDir() {
    return QUORVEL_BINARY_DIR;
}

ProcessResult zipNamesWithPython(const fs::path& zip, const std::vector<std::string>& names) {
    std::vector<std::string> argv{PythonInterpreter.string(), "-c",
                                  "import sys, zipfile\n"
                                  "with zipfile.ZipFile(sys.argv[1], 'w') as z:\n"
                                  "    for n in sys.argv[2:]: z.writestr(n, n)\n",
                                  zip.string()};
    argv.insert(argv.end(), names.begin(), names.end());
    return runProcess(argv);
}

} // namespace quorvel::test
