#include "core/net/cancel_token.h"

#include "core/net/net_error.h"

#include <cerrno>
#include <cstdint>
#include <sys/eventfd.h>

namespace quorvel {

CancelToken::CancelToken() : m_event(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
    if (!m_event)
        throw socketError(errno);
}

void CancelToken::raise(int level) {
    int current = m_level.load();
    while (current < level && !m_level.compare_exchange_weak(current, level)) {
    }
    const std::uint64_t one = 1;
    // A full counter already wakes every waiter; nothing more to do then.
    [[maybe_unused]] const ssize_t written = ::write(m_event.get(), &one, sizeof one);
}

void CancelToken::cancel() {
    raise(LevelCancel);
}

void CancelToken::close() {
    raise(LevelClose);
}

void CancelToken::reset() {
    m_level.store(0);
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t read = ::read(m_event.get(), &count, sizeof count);
}

void CancelToken::settle() const {
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t read = ::read(m_event.get(), &count, sizeof count);
    // A request that arrived meanwhile must keep waking its waiters.
    if (m_level.load() > 0) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(m_event.get(), &one, sizeof one);
    }
}

} // namespace quorvel
