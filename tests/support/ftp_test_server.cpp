#include "support/ftp_test_server.h"

#include "support/test_support.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace quorvel::test {

namespace {

// The server prints its port once it listens; Python and the certificate take a moment.
constexpr int StartMs = 30000;

} // namespace

FtpTestServer::FtpTestServer(std::filesystem::path root, FtpServerOptions options) : m_options(std::move(options)) {
    std::vector<std::string> args{DebianPython.string(),
                                  (sourceDir() / "tests/interop/ftp_server.py").string(),
                                  "--root",
                                  root.string(),
                                  "--user",
                                  m_options.user,
                                  "--password",
                                  m_options.password};
    if (m_options.anonymous)
        args.push_back("--anonymous");
    if (m_options.tls) {
        char pattern[] = "/tmp/quorvel-ftps-XXXXXX";
        if (::mkdtemp(pattern) == nullptr) {
            m_error = "cannot make a folder for the certificate";
            return;
        }
        m_certFolder = pattern;
        args.insert(args.end(), {"--tls-dir", m_certFolder.string()});
    }
    if (m_options.throttle > 0)
        args.insert(args.end(), {"--throttle", std::to_string(m_options.throttle)});

    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) {
        m_error = "pipe failed";
        return;
    }
    // Built before the fork: the child of a threaded process may only call what is signal-safe.
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    m_pid = ::fork();
    if (m_pid == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDERR_FILENO);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    std::string text;
    pollfd fd{out[0], POLLIN, 0};
    while (::poll(&fd, 1, StartMs) > 0) {
        char buffer[512];
        const ssize_t got = ::read(out[0], buffer, sizeof buffer);
        if (got <= 0)
            break;
        text.append(buffer, static_cast<std::size_t>(got));
        const bool complete = text.find("PORT ") != std::string::npos &&
                              (!m_options.tls || text.find("FINGERPRINT ") != std::string::npos) && text.back() == '\n';
        if (complete)
            break;
    }
    ::close(out[0]);
    const std::size_t port = text.find("PORT ");
    if (port != std::string::npos)
        m_port = std::atoi(text.c_str() + port + 5);
    const std::size_t fingerprint = text.find("FINGERPRINT ");
    if (fingerprint != std::string::npos)
        m_fingerprint = text.substr(fingerprint + 12, text.find('\n', fingerprint) - fingerprint - 12);
    if (m_port <= 0)
        m_error = "the FTP server did not start (is python3-pyftpdlib installed?): " + text;
}

FtpTestServer::~FtpTestServer() {
    if (m_pid > 0) {
        ::kill(m_pid, SIGTERM);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
    }
    if (!m_certFolder.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(m_certFolder, ec);
    }
}

FtpSite addTestServerSite(const std::filesystem::path& accountIni, const std::string& label, int port,
                          int timeoutSeconds) {
    const FtpServerOptions defaults;
    FtpSite site;
    site.label = label;
    site.host = "127.0.0.1";
    site.port = std::to_string(port);
    site.user = defaults.user;
    site.password = defaults.password;
    site.passive = true;
    site.timeoutSeconds = timeoutSeconds;
    FtpSiteStore(accountIni).addSite(site);
    return site;
}

} // namespace quorvel::test
