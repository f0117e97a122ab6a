#pragma once

#include "core/net/connection.h"
#include "core/net/socket_address.h"
#include "core/util/unique_fd.h"

namespace quorvel {

class CancelToken;

// A listening socket for one incoming connection (an FTP data connection in active mode).
class Listener {
public:
    // Listens on the host of `local` on a port the system chooses; raises NetError.
    explicit Listener(const SocketAddress& local);

    // The address and port the server is to connect to.
    SocketAddress address() const;

    // Waits for a connection from the host of `peer`. Connections from any other host are closed
    // at once and the wait goes on: only the server we talk to may deliver our data.
    Connection accept(const SocketAddress& peer, const Deadline& deadline, const CancelToken* cancel);

private:
    UniqueFd m_socket;
};

} // namespace quorvel
