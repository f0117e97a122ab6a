#pragma once

#include "core/net/net_options.h"

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel {

class Connection;

// Bounds of what a server may send as one reply; beyond them it fails rather than fills memory.
inline constexpr std::size_t MaxReplyLineLength = 16384;
inline constexpr std::size_t MaxReplyLines = 1000;
inline constexpr std::size_t MaxReplyBytes = 256 * 1024;

// A numbered reply of a line-oriented protocol (FTP, SMTP): its code and its text lines, each
// without the code and the separator after it.
struct Reply {
    int code = 0; // 0 when the server's line did not start with three digits
    std::vector<std::string> lines;

    // The lines, each followed by CR LF.
    std::string text() const;
    std::string firstLine() const { return lines.empty() ? std::string() : lines.front(); }
};

// Reads one reply: lines that are empty after trimming are skipped; a first line "123-…" opens a
// multi-line reply that ends at a line starting "123 " (or at a line shorter than 4 characters).
// Raises NetError: TooLong ("Max line length exceeded." for a line over MaxReplyLineLength, or a
// reply over MaxReplyLines or MaxReplyBytes), Closed, Timeout (the deadline covers the whole
// reply, so a trickling server cannot stretch it), Cancelled.
Reply readReply(Connection& connection, const Deadline& deadline);

// Raises ProtocolError with the reply's text unless its code is allowed (an empty list allows any).
void requireCode(const Reply& reply, std::initializer_list<int> allowed);

// Sends a command line with CR LF in one block. A text holding CR, LF or NUL is refused before
// anything is sent (NetError Refused): a name from a server or a user can never smuggle a second
// command into the connection.
void sendCommandLine(Connection& connection, std::string_view text, const Deadline& deadline);

} // namespace quorvel
