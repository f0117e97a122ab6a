#include "core/net/socket_address.h"

#include <arpa/inet.h>
#include <cstring>
#include <netinet/in.h>

namespace quorvel {

namespace {

const sockaddr_in* asIpv4(const sockaddr_storage& storage) {
    return reinterpret_cast<const sockaddr_in*>(&storage);
}
const sockaddr_in6* asIpv6(const sockaddr_storage& storage) {
    return reinterpret_cast<const sockaddr_in6*>(&storage);
}

} // namespace

SocketAddress::SocketAddress(const sockaddr* address, socklen_t length) {
    if (length > sizeof m_storage)
        length = sizeof m_storage;
    std::memcpy(&m_storage, address, length);
    m_length = length;
}

bool SocketAddress::parseNumeric(const std::string& text, int port, SocketAddress& result) {
    sockaddr_in v4{};
    if (::inet_pton(AF_INET, text.c_str(), &v4.sin_addr) == 1) {
        v4.sin_family = AF_INET;
        v4.sin_port = htons(static_cast<std::uint16_t>(port));
        result = SocketAddress(reinterpret_cast<const sockaddr*>(&v4), sizeof v4);
        return true;
    }
    sockaddr_in6 v6{};
    if (::inet_pton(AF_INET6, text.c_str(), &v6.sin6_addr) == 1) {
        v6.sin6_family = AF_INET6;
        v6.sin6_port = htons(static_cast<std::uint16_t>(port));
        result = SocketAddress(reinterpret_cast<const sockaddr*>(&v6), sizeof v6);
        return true;
    }
    return false;
}

bool SocketAddress::isNumericHost(const std::string& text) {
    SocketAddress ignored;
    return parseNumeric(text, 0, ignored);
}

int SocketAddress::port() const {
    if (family() == AF_INET)
        return ntohs(asIpv4(m_storage)->sin_port);
    if (family() == AF_INET6)
        return ntohs(asIpv6(m_storage)->sin6_port);
    return 0;
}

SocketAddress SocketAddress::withPort(int port) const {
    SocketAddress copy = *this;
    const auto value = htons(static_cast<std::uint16_t>(port));
    if (family() == AF_INET)
        reinterpret_cast<sockaddr_in*>(&copy.m_storage)->sin_port = value;
    else if (family() == AF_INET6)
        reinterpret_cast<sockaddr_in6*>(&copy.m_storage)->sin6_port = value;
    return copy;
}

bool SocketAddress::isMappedIpv4() const {
    return family() == AF_INET6 && IN6_IS_ADDR_V4MAPPED(&asIpv6(m_storage)->sin6_addr);
}

SocketAddress SocketAddress::unmapped() const {
    if (!isMappedIpv4())
        return *this;
    sockaddr_in v4{};
    v4.sin_family = AF_INET;
    v4.sin_port = asIpv6(m_storage)->sin6_port;
    std::memcpy(&v4.sin_addr, asIpv6(m_storage)->sin6_addr.s6_addr + 12, 4);
    return SocketAddress(reinterpret_cast<const sockaddr*>(&v4), sizeof v4);
}

std::string SocketAddress::hostText() const {
    const SocketAddress plain = unmapped();
    char text[INET6_ADDRSTRLEN] = {};
    if (plain.family() == AF_INET)
        ::inet_ntop(AF_INET, &asIpv4(plain.m_storage)->sin_addr, text, sizeof text);
    else if (plain.family() == AF_INET6)
        ::inet_ntop(AF_INET6, &asIpv6(plain.m_storage)->sin6_addr, text, sizeof text);
    return text;
}

bool SocketAddress::sameHost(const SocketAddress& other) const {
    const SocketAddress a = unmapped();
    const SocketAddress b = other.unmapped();
    if (a.family() != b.family())
        return false;
    if (a.family() == AF_INET)
        return asIpv4(a.m_storage)->sin_addr.s_addr == asIpv4(b.m_storage)->sin_addr.s_addr;
    if (a.family() == AF_INET6)
        return std::memcmp(&asIpv6(a.m_storage)->sin6_addr, &asIpv6(b.m_storage)->sin6_addr, sizeof(in6_addr)) == 0;
    return false;
}

} // namespace quorvel
