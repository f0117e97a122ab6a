#pragma once

#include "support/test_support.h"

#include <chrono>
#include <csignal>
#include <gtest/gtest.h>
#include <poll.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace quorvel::test {

// The command-line program as a child process, with its own temporary folder, limits and
// environment; its standard output and error come back through one pipe.
class Child {
public:
    using Environment = std::vector<std::pair<std::string, std::string>>;

    Child(const std::vector<std::string>& args, const fs::path& tempDir, rlim_t fileSizeLimit = RLIM_INFINITY,
          const Environment& environment = {}) {
        int fds[2];
        EXPECT_EQ(::pipe(fds), 0);
        m_pid = ::fork();
        if (m_pid == 0) {
            ::dup2(fds[1], 1);
            ::dup2(fds[1], 2);
            ::close(fds[0]);
            ::close(fds[1]);
            ::setenv("TMPDIR", tempDir.c_str(), 1);
            for (const auto& [name, value] : environment)
                ::setenv(name.c_str(), value.c_str(), 1);
            ::signal(SIGXFSZ, SIG_IGN); // a write past the limit fails instead of killing
            rlimit limit{fileSizeLimit, fileSizeLimit};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            std::string program = (binaryDir() / "src/cli/quorvel-backup-cli").string();
            std::vector<char*> argv{program.data()};
            std::vector<std::string> copies = args;
            for (std::string& arg : copies)
                argv.push_back(arg.data());
            argv.push_back(nullptr);
            ::execv(program.c_str(), argv.data());
            ::_exit(127);
        }
        ::close(fds[1]);
        m_output = fds[0];
    }
    ~Child() {
        if (m_pid > 0)
            kill();
        if (m_output >= 0)
            ::close(m_output);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    void kill() {
        if (running())
            ::kill(m_pid, SIGKILL);
        wait();
    }
    void signal(int number) {
        if (running())
            ::kill(m_pid, number);
    }
    // Exit code, or -1 when killed.
    int wait() {
        if (m_pid > 0)
            ::waitpid(m_pid, &m_status, 0);
        m_pid = -1;
        return WIFEXITED(m_status) ? WEXITSTATUS(m_status) : -1;
    }
    // Everything the program printed, up to the moment it closed its output.
    std::string output() {
        while (readSome(-1)) {
        }
        return m_text;
    }
    // Reads the output until it holds `text` (true) or the time is up or the output closed (false).
    bool waitForOutput(const std::string& text, std::chrono::seconds timeout) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (m_text.find(text) == std::string::npos) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0 || !readSome(static_cast<int>(left.count())))
                return m_text.find(text) != std::string::npos;
        }
        return true;
    }
    // The output read so far.
    const std::string& seen() const { return m_text; }
    bool running() {
        if (m_pid > 0 && ::waitpid(m_pid, &m_status, WNOHANG) == m_pid)
            m_pid = -1;
        return m_pid > 0;
    }

private:
    // Waits up to `timeoutMs` (-1: for ever) for output; false at its end or when none came.
    bool readSome(int timeoutMs) {
        pollfd ready{m_output, POLLIN, 0};
        if (::poll(&ready, 1, timeoutMs) <= 0)
            return false;
        char buffer[4096];
        const ssize_t n = ::read(m_output, buffer, sizeof buffer);
        if (n <= 0)
            return false;
        m_text.append(buffer, static_cast<std::size_t>(n));
        return true;
    }

    pid_t m_pid = -1;
    int m_status = 0;
    int m_output = -1;
    std::string m_text;
};

} // namespace quorvel::test
