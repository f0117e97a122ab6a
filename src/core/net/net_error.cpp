#include "core/net/net_error.h"

#include <cstring>

namespace quorvel {

std::string joinReplyLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

ProtocolError::ProtocolError(int code, std::vector<std::string> lines)
    : NetError(NetErrorKind::Protocol, joinReplyLines(lines)), m_code(code), m_lines(std::move(lines)) {}

NetError socketError(int code) {
    return NetError(NetErrorKind::Socket,
                    "Socket Error # " + std::to_string(code) + "\r\n" + std::strerror(code) + ".");
}

NetError closedError() {
    return NetError(NetErrorKind::Closed, "Connection Closed Gracefully.");
}

NetError notConnectedError() {
    return NetError(NetErrorKind::NotConnected, "Not Connected");
}

NetError cancelledError() {
    return NetError(NetErrorKind::Cancelled, "Operation cancelled.");
}

} // namespace quorvel
