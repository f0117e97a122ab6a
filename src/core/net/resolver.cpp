#include "core/net/resolver.h"

#include "core/net/cancel_token.h"

#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <netdb.h>
#include <thread>

namespace quorvel {

namespace {

// What the helper thread hands back; shared, since the caller may leave before it finishes.
struct Lookup {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    int error = 0;
    std::vector<SocketAddress> addresses;
};

void runLookup(const std::shared_ptr<Lookup>& lookup, const std::string& host, int port) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_ADDRCONFIG;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    const int error = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &found);
    std::vector<SocketAddress> addresses;
    for (const addrinfo* item = found; item != nullptr; item = item->ai_next)
        if (item->ai_family == AF_INET || item->ai_family == AF_INET6)
            addresses.emplace_back(item->ai_addr, item->ai_addrlen);
    if (found != nullptr)
        ::freeaddrinfo(found);
    std::lock_guard lock(lookup->mutex);
    lookup->error = error;
    lookup->addresses = std::move(addresses);
    lookup->finished = true;
    lookup->done.notify_all();
}

} // namespace

std::vector<SocketAddress> resolveHost(const std::string& host, int port, const Deadline& deadline,
                                       const CancelToken* cancel) {
    SocketAddress numeric;
    if (SocketAddress::parseNumeric(host, port, numeric))
        return {numeric};
    auto lookup = std::make_shared<Lookup>();
    std::thread([lookup, host, port] { runLookup(lookup, host, port); }).detach();
    // Condition variables cannot watch the token's descriptor, so the wait looks at it in short slices.
    constexpr Milliseconds slice{50};
    std::unique_lock lock(lookup->mutex);
    while (!lookup->finished) {
        if (cancel != nullptr && cancel->cancelled())
            throw cancelledError();
        if (deadline.passed())
            deadline.fail();
        lookup->done.wait_until(lock, std::min(deadline.at, SteadyClock::now() + slice));
    }
    if (lookup->error != 0 || lookup->addresses.empty()) {
        const std::string reason = lookup->error != 0 ? ::gai_strerror(lookup->error) : "no address";
        throw NetError(NetErrorKind::Resolve, "Host not found: " + host + " (" + reason + ").");
    }
    return lookup->addresses;
}

} // namespace quorvel
