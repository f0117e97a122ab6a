#include "support/python_server.h"

#include "support/test_support.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quorvel::test {

namespace {

// The server prints its port once it listens; Python and the certificate take a moment.
constexpr int StartMs = 30000;

} // namespace

PythonServer::PythonServer(const std::string& script, std::vector<std::string> args, bool tls,
                           const std::string& what) {
    // -B: no byte-code files written into the source tree.
    args.insert(args.begin(), {PythonInterpreter.string(), "-B", (sourceDir() / "tests/interop" / script).string()});
    if (tls) {
        char pattern[] = "/tmp/quorvel-tls-XXXXXX";
        if (::mkdtemp(pattern) == nullptr) {
            m_error = "cannot make a folder for the certificate";
            return;
        }
        m_certFolder = pattern;
        args.insert(args.end(), {"--tls-dir", m_certFolder.string()});
    }
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
                              (!tls || text.find("FINGERPRINT ") != std::string::npos) && text.back() == '\n';
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
        m_error = what + " did not start: " + text;
}

PythonServer::~PythonServer() {
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

} // namespace quorvel::test
