#include "support/scripted_server.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

namespace quorvel::test {

namespace {

constexpr int WaitMs = 10000;

struct Address {
    sockaddr_storage storage{};
    socklen_t length = 0;
};

Address addressOf(const std::string& host, int port) {
    Address address;
    auto* v4 = reinterpret_cast<sockaddr_in*>(&address.storage);
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&address.storage);
    if (::inet_pton(AF_INET, host.c_str(), &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        v4->sin_port = htons(static_cast<std::uint16_t>(port));
        address.length = sizeof(sockaddr_in);
    } else if (::inet_pton(AF_INET6, host.c_str(), &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(static_cast<std::uint16_t>(port));
        address.length = sizeof(sockaddr_in6);
    } else {
        throw std::runtime_error("not an address: " + host);
    }
    return address;
}

int portOf(int socket) {
    sockaddr_storage storage{};
    socklen_t length = sizeof storage;
    ::getsockname(socket, reinterpret_cast<sockaddr*>(&storage), &length);
    if (storage.ss_family == AF_INET6)
        return ntohs(reinterpret_cast<sockaddr_in6*>(&storage)->sin6_port);
    return ntohs(reinterpret_cast<sockaddr_in*>(&storage)->sin_port);
}

int listenOn(const std::string& host) {
    const Address address = addressOf(host, 0);
    const int socket = ::socket(address.storage.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (socket < 0 || ::bind(socket, reinterpret_cast<const sockaddr*>(&address.storage), address.length) != 0 ||
        ::listen(socket, 4) != 0)
        throw std::runtime_error(std::string("cannot listen: ") + std::strerror(errno));
    return socket;
}

void waitReadable(int socket, const char* what) {
    pollfd fd{socket, POLLIN, 0};
    if (::poll(&fd, 1, WaitMs) <= 0)
        throw std::runtime_error(std::string("timed out waiting for ") + what);
}

int acceptOn(int listener) {
    waitReadable(listener, "a connection");
    const int socket = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (socket < 0)
        throw std::runtime_error(std::string("accept failed: ") + std::strerror(errno));
    return socket;
}

void sendAll(int socket, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t sent = ::send(socket, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent < 0)
            throw std::runtime_error(std::string("send failed: ") + std::strerror(errno));
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
}

void closeSocket(int& socket) {
    if (socket >= 0)
        ::close(socket);
    socket = -1;
}

} // namespace

ScriptedPeer::ScriptedPeer(int control, std::string host, std::vector<std::string>& heard, std::mutex& mutex)
    : m_control(control), m_host(std::move(host)), m_heard(heard), m_mutex(mutex) {}

ScriptedPeer::~ScriptedPeer() {
    closeData();
    closeSocket(m_listener);
    closeSocket(m_control);
}

void ScriptedPeer::say(std::string_view text) {
    sendAll(m_control, text);
}

std::string ScriptedPeer::hear() {
    for (;;) {
        const std::size_t end = m_pending.find('\n');
        if (end != std::string::npos) {
            std::string line = m_pending.substr(0, end);
            m_pending.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            std::lock_guard lock(m_mutex);
            m_heard.push_back(line);
            return line;
        }
        waitReadable(m_control, "a command");
        char buffer[4096];
        const ssize_t got = ::recv(m_control, buffer, sizeof buffer, 0);
        if (got <= 0)
            throw std::runtime_error("the client closed the connection");
        m_pending.append(buffer, static_cast<std::size_t>(got));
    }
}

void ScriptedPeer::expect(std::string_view line) {
    const std::string got = hear();
    if (got != line)
        throw std::runtime_error("expected '" + std::string(line) + "', heard '" + got + "'");
}

bool ScriptedPeer::waitForClose() {
    for (;;) {
        pollfd fd{m_control, POLLIN, 0};
        if (::poll(&fd, 1, WaitMs) <= 0)
            return false;
        char buffer[4096];
        const ssize_t got = ::recv(m_control, buffer, sizeof buffer, 0);
        if (got <= 0)
            return true;
        m_pending.append(buffer, static_cast<std::size_t>(got));
        while (m_pending.find('\n') != std::string::npos)
            hear();
    }
}

void ScriptedPeer::close() {
    closeSocket(m_control);
}

int ScriptedPeer::listenData() {
    closeSocket(m_listener);
    m_listener = listenOn(m_host);
    return portOf(m_listener);
}

void ScriptedPeer::acceptData() {
    closeData();
    m_data = acceptOn(m_listener);
}

void ScriptedPeer::connectData(int port, const std::string& fromHost) {
    closeData();
    const Address to = addressOf(m_host, port);
    m_data = ::socket(to.storage.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (!fromHost.empty()) {
        const Address from = addressOf(fromHost, 0);
        ::bind(m_data, reinterpret_cast<const sockaddr*>(&from.storage), from.length);
    }
    if (::connect(m_data, reinterpret_cast<const sockaddr*>(&to.storage), to.length) != 0)
        throw std::runtime_error(std::string("data connect failed: ") + std::strerror(errno));
}

void ScriptedPeer::sendData(std::string_view bytes) {
    sendAll(m_data, bytes);
}

std::string ScriptedPeer::receiveData() {
    std::string all;
    for (;;) {
        waitReadable(m_data, "data");
        char buffer[65536];
        const ssize_t got = ::recv(m_data, buffer, sizeof buffer, 0);
        if (got <= 0)
            return all;
        all.append(buffer, static_cast<std::size_t>(got));
    }
}

void ScriptedPeer::closeData() {
    closeSocket(m_data);
}

int ScriptedPeer::releaseData() {
    return std::exchange(m_data, -1);
}

ScriptedServer::ScriptedServer(Script script, std::string host) : m_host(std::move(host)) {
    m_listener = listenOn(m_host);
    m_port = portOf(m_listener);
    m_thread = std::thread([this, script = std::move(script)] { run(script); });
}

ScriptedServer::~ScriptedServer() {
    finish();
    closeSocket(m_listener);
}

void ScriptedServer::run(const Script& script) {
    try {
        ScriptedPeer peer(acceptOn(m_listener), m_host, m_heard, m_mutex);
        script(peer);
    } catch (const std::exception& e) {
        std::lock_guard lock(m_mutex);
        m_failure = e.what();
    }
}

void ScriptedServer::finish() {
    if (m_thread.joinable())
        m_thread.join();
}

std::vector<std::string> ScriptedServer::heard() {
    std::lock_guard lock(m_mutex);
    return m_heard;
}

std::string ScriptedServer::failure() {
    finish();
    std::lock_guard lock(m_mutex);
    return m_failure;
}

} // namespace quorvel::test
