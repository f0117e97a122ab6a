#pragma once

#include "core/util/unique_fd.h"

#include <atomic>

namespace quorvel {

// Lets another thread stop a network operation at once: every wait of a connection watches the
// token's descriptor beside its socket, so a request wakes it without polling.
// cancel() stops the operation in progress; a protocol client may still say an orderly goodbye
// (an FTP transfer sends ABOR and reads the server's answer). close() also forbids that: the
// connection is dropped as it is, for a window that is closing.
class CancelToken {
public:
    CancelToken();
    CancelToken(const CancelToken&) = delete;
    CancelToken& operator=(const CancelToken&) = delete;

    void cancel();
    void close();
    // Clears a request, before a new command starts.
    void reset();

    bool cancelled() const { return m_level.load() >= LevelCancel; }
    bool closing() const { return m_level.load() >= LevelClose; }
    // Readable while a request is pending.
    int pollFd() const { return m_event.get(); }
    // Clears a wake-up left over from a request that reset() already withdrew, so that a waiter
    // that found its descriptor readable without a request does not wake again at once.
    void settle() const;

private:
    static constexpr int LevelCancel = 1;
    static constexpr int LevelClose = 2;
    void raise(int level);

    std::atomic<int> m_level{0};
    UniqueFd m_event;
};

} // namespace quorvel
