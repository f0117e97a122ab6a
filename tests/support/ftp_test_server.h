#pragma once

#include "core/ftp/ftp_site.h"
#include "support/python_server.h"

#include <filesystem>
#include <memory>
#include <string>

namespace quorvel::test {

struct FtpServerOptions {
    std::string user = "tester";
    std::string password = "secret";
    bool anonymous = false;
    bool tls = false; // FTPS only, with a self-signed certificate made for the server
    int throttle = 0; // bytes per second on data connections; 0 = as fast as it goes
};

// The Python FTP server of tests/interop/ftp_server.py (Debian's pyftpdlib), started on a free
// port of 127.0.0.1 serving `root`, and terminated when the object goes away.
class FtpTestServer {
public:
    explicit FtpTestServer(std::filesystem::path root, FtpServerOptions options = {});
    FtpTestServer(const FtpTestServer&) = delete;
    FtpTestServer& operator=(const FtpTestServer&) = delete;

    // False with the reason in error() when the server did not come up.
    bool running() const { return m_server->running(); }
    const std::string& error() const { return m_server->error(); }
    int port() const { return m_server->port(); }
    // The SHA-256 fingerprint of its certificate as "AB:CD:…" (with tls).
    const std::string& fingerprint() const { return m_server->fingerprint(); }
    const FtpServerOptions& options() const { return m_options; }

private:
    FtpServerOptions m_options;
    std::unique_ptr<PythonServer> m_server;
};

// Adds a site to the account.ini at `accountIni` that logs in to the test server's default user
// on `port` of 127.0.0.1 in passive mode, and returns it.
FtpSite addTestServerSite(const std::filesystem::path& accountIni, const std::string& label, int port,
                          int timeoutSeconds = 30);

} // namespace quorvel::test
