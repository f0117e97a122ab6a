#pragma once

#include "core/net/socket_address.h"

#include <optional>
#include <string>
#include <string_view>

namespace quorvel {

// What a 227 reply ("Entering Passive Mode (h1,h2,h3,h4,p1,p2)") says. The address is kept
// for the log only: data connections always go to the control connection's peer, so that a
// hostile or confused server cannot make the client connect anywhere else.
struct PassiveAddress {
    std::string address; // "h1.h2.h3.h4"
    int port = 0;
};

// The numbers between "(" and ")", or after the last blank when there are no parentheses.
// nullopt when there are not six numbers from 0 to 255 or the port is 0.
std::optional<PassiveAddress> parsePassiveReply(std::string_view firstLine);

// The port of a 229 reply ("Entering Extended Passive Mode (|||port|)"); nullopt when malformed.
std::optional<int> parseExtendedPassiveReply(std::string_view firstLine);

// "a1,a2,a3,a4,p1,p2" for PORT (IPv4 only).
std::string portArgument(const SocketAddress& address);
// "|1|a.b.c.d|port|" or "|2|::1|port|" for EPRT.
std::string extendedPortArgument(const SocketAddress& address);

} // namespace quorvel
