#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel::test {

namespace fs = std::filesystem;

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const fs::path& path() const { return m_path; }
    fs::path operator/(const fs::path& child) const { return m_path / child; }

private:
    fs::path m_path;
};

// Writes the file, creating missing parent folders.
void writeFile(const fs::path& path, std::string_view contents);
std::string readFile(const fs::path& path);
void setModificationTime(const fs::path& path, std::time_t when);
// The names in a folder, hidden ones included, sorted.
std::vector<std::string> namesIn(const fs::path& folder);

struct ProcessResult {
    int exitCode = -1;  // -1 when the program could not be started or was killed by a signal
    std::string output; // stdout and stderr together
};

// Runs a program (looked up on PATH) and waits for it.
ProcessResult runProcess(const std::vector<std::string>& argv, const fs::path& workingDir = {});
bool haveTool(const std::string& name);

// The Python interpreter the build was configured with: the peer for zipfile and the test servers.
inline const fs::path PythonInterpreter = QUORVEL_PYTHON;
// Writes, with Python's zipfile, an archive of one stored entry per name holding the name itself:
// for archives our own writer would not make, such as names differing only in letter case.
ProcessResult zipNamesWithPython(const fs::path& zip, const std::vector<std::string>& names);

// Deterministic test data.
std::string randomBytes(size_t size, std::uint32_t seed);
std::string compressibleText(size_t size, std::uint32_t seed);

fs::path sourceDir();
fs::path binaryDir();

} // namespace quorvel::test
