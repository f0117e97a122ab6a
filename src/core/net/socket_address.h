#pragma once

#include <string>
#include <sys/socket.h>

namespace quorvel {

// An IPv4 or IPv6 address with a port. An IPv6 address that maps an IPv4 one is compared as
// that IPv4 address, since a dual-stack socket reports IPv4 peers in that form.
class SocketAddress {
public:
    SocketAddress() = default;
    SocketAddress(const sockaddr* address, socklen_t length);

    // A numeric IPv4 or IPv6 address; false when the text is not one.
    static bool parseNumeric(const std::string& text, int port, SocketAddress& result);
    static bool isNumericHost(const std::string& text);

    int family() const { return m_storage.ss_family; }
    bool isIpv6() const { return family() == AF_INET6 && !isMappedIpv4(); }
    int port() const;
    SocketAddress withPort(int port) const;
    // "10.0.0.1" or "::1".
    std::string hostText() const;
    bool sameHost(const SocketAddress& other) const;

    const sockaddr* native() const { return reinterpret_cast<const sockaddr*>(&m_storage); }
    socklen_t length() const { return m_length; }

private:
    bool isMappedIpv4() const;
    SocketAddress unmapped() const;

    sockaddr_storage m_storage{};
    socklen_t m_length = 0;
};

} // namespace quorvel
