#include "core/ftp/ftp_data_address.h"

#include "core/util/strings.h"

#include <algorithm>
#include <vector>

namespace quorvel {

std::optional<PassiveAddress> parsePassiveReply(std::string_view firstLine) {
    const std::string line = trim(firstLine);
    std::string numbers;
    const std::size_t open = line.find('(');
    const std::size_t close = line.find(')', open == std::string::npos ? 0 : open);
    if (open != std::string::npos && close != std::string::npos)
        numbers = line.substr(open + 1, close - open - 1);
    else
        numbers = line.substr(line.rfind(' ') == std::string::npos ? 0 : line.rfind(' ') + 1);
    const std::vector<std::string> parts = split(numbers, ',');
    if (parts.size() < 6)
        return std::nullopt;
    int values[6] = {};
    for (std::size_t i = 0; i < 6; ++i) {
        const std::string part = trim(parts[i]);
        if (part.empty() || part.size() > 3 ||
            !std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return std::nullopt;
        values[i] = std::stoi(part);
        if (values[i] > 255)
            return std::nullopt;
    }
    PassiveAddress result;
    result.address = std::to_string(values[0]) + "." + std::to_string(values[1]) + "." + std::to_string(values[2]) +
                     "." + std::to_string(values[3]);
    result.port = values[4] * 256 + values[5];
    if (result.port == 0)
        return std::nullopt;
    return result;
}

std::optional<int> parseExtendedPassiveReply(std::string_view firstLine) {
    const std::size_t open = firstLine.find('(');
    const std::size_t close = firstLine.find(')', open == std::string_view::npos ? 0 : open);
    if (open == std::string_view::npos || close == std::string_view::npos || close - open < 6)
        return std::nullopt;
    const std::string_view inner = firstLine.substr(open + 1, close - open - 1);
    // Four delimiters of the same character around an empty protocol, an empty address and the port.
    const char delimiter = inner.front();
    if (inner.size() < 5 || inner[1] != delimiter || inner[2] != delimiter || inner.back() != delimiter)
        return std::nullopt;
    const std::string_view digits = inner.substr(3, inner.size() - 4);
    const std::optional<int> port = parseInt(digits);
    if (digits.empty() || !port || *port < 1 || *port > 65535 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    return port;
}

std::string portArgument(const SocketAddress& address) {
    std::string host = address.hostText();
    std::replace(host.begin(), host.end(), '.', ',');
    return host + "," + std::to_string(address.port() / 256) + "," + std::to_string(address.port() % 256);
}

std::string extendedPortArgument(const SocketAddress& address) {
    return std::string(address.isIpv6() ? "|2|" : "|1|") + address.hostText() + "|" + std::to_string(address.port()) +
           "|";
}

} // namespace quorvel
