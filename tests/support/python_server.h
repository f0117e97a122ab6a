#pragma once

#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

namespace quorvel::test {

// A test server written in Python (a script under tests/interop run by Debian's python), started
// on a free port of 127.0.0.1 and terminated when the object goes away. The script prints
// "PORT <number>" once it listens, and "FINGERPRINT <sha256>" of the self-signed certificate it
// made in the folder given with --tls-dir.
class PythonServer {
public:
    // `script` is relative to tests/interop; with `tls` a folder for the certificate is made and
    // passed as --tls-dir. `what` names the server in the error ("the FTP server").
    PythonServer(const std::string& script, std::vector<std::string> args, bool tls, const std::string& what);
    ~PythonServer();
    PythonServer(const PythonServer&) = delete;
    PythonServer& operator=(const PythonServer&) = delete;

    // False with the reason in error() when the server did not come up.
    bool running() const { return m_port > 0; }
    const std::string& error() const { return m_error; }
    int port() const { return m_port; }
    // The SHA-256 fingerprint of its certificate as "AB:CD:…" (with tls).
    const std::string& fingerprint() const { return m_fingerprint; }

private:
    std::filesystem::path m_certFolder;
    pid_t m_pid = -1;
    int m_port = 0;
    std::string m_fingerprint;
    std::string m_error;
};

} // namespace quorvel::test
