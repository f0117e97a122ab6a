#pragma once

#include "core/net/net_options.h"
#include "core/net/socket_address.h"

#include <string>
#include <vector>

namespace quorvel {

class CancelToken;

// The addresses of a host, IPv4 and IPv6, in the order the system prefers. A numeric address is
// taken as it is. A name is looked up on a short-lived helper thread, so that the caller's wait
// keeps to the deadline and the cancel token even though the system's lookup cannot be
// interrupted; a lookup still running when the caller gives up finishes on its own.
// Raises NetError: Resolve ("Host not found: …"), ConnectTimeout or Cancelled.
std::vector<SocketAddress> resolveHost(const std::string& host, int port, const Deadline& deadline,
                                       const CancelToken* cancel);

} // namespace quorvel
