#include "core/net/reply.h"

#include "core/net/connection.h"
#include "core/util/strings.h"

#include <algorithm>
#include <cctype>

namespace quorvel {

namespace {

int replyCode(std::string_view line) {
    if (line.size() < 3 || !std::all_of(line.begin(), line.begin() + 3,
                                        [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }))
        return 0;
    return (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
}

// The text after "123-" or "123 "; a continuation line without the code is text as a whole.
std::string textOf(const std::string& line, std::string_view code) {
    const bool numbered = line.size() >= 4 && line.compare(0, 3, code) == 0 && (line[3] == '-' || line[3] == ' ');
    if (!numbered && !code.empty())
        return line;
    return line.size() > 4 ? line.substr(4) : std::string();
}

// The next line that is not empty after trimming, trimmed.
std::string nextLine(Connection& connection, const Deadline& deadline, std::size_t& lines, std::size_t& bytes) {
    for (;;) {
        std::string line = connection.readLine(MaxReplyLineLength, deadline);
        ++lines;
        bytes += line.size();
        if (lines > MaxReplyLines || bytes > MaxReplyBytes)
            throw NetError(NetErrorKind::TooLong, "The server's reply is too long.");
        std::string trimmed = trim(line);
        if (!trimmed.empty())
            return trimmed;
    }
}

} // namespace

std::string Reply::text() const {
    return joinReplyLines(lines);
}

Reply readReply(Connection& connection, const Deadline& deadline) {
    std::size_t lines = 0;
    std::size_t bytes = 0;
    std::string line = nextLine(connection, deadline, lines, bytes);
    Reply reply;
    reply.code = replyCode(line);
    const std::string code = line.substr(0, 3);
    reply.lines.push_back(textOf(line, {}));
    if (line.size() > 3 && line[3] == '-') {
        const std::string end = code + " ";
        for (;;) {
            line = nextLine(connection, deadline, lines, bytes);
            reply.lines.push_back(textOf(line, code));
            if (line.size() < 4 || line.compare(0, 4, end) == 0)
                break;
        }
    }
    return reply;
}

void requireCode(const Reply& reply, std::initializer_list<int> allowed) {
    if (allowed.size() == 0 || std::find(allowed.begin(), allowed.end(), reply.code) != allowed.end())
        return;
    throw ProtocolError(reply.code, reply.lines);
}

void sendCommandLine(Connection& connection, std::string_view text, const Deadline& deadline) {
    if (text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos)
        throw NetError(NetErrorKind::Refused,
                       "A name holding a line break or a NUL character cannot be sent to the server.");
    std::string line(text);
    line += "\r\n";
    connection.send(line, deadline);
}

} // namespace quorvel
