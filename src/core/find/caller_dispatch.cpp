#include "core/find/caller_dispatch.h"

namespace quorvel {

struct SynchronizedCalls::Pending {
    std::function<void()> body;
    bool running = false;
    bool done = false;
    std::exception_ptr error;
};

void SynchronizedCalls::runOnCallerThread(Pending& pending) {
    {
        std::lock_guard lock(m_mutex);
        if (m_closed)
            return;
        pending.running = true;
    }
    try {
        pending.body();
    } catch (...) {
        pending.error = std::current_exception();
    }
    {
        std::lock_guard lock(m_mutex);
        pending.running = false;
        pending.done = true;
    }
    m_changed.notify_all();
}

bool SynchronizedCalls::call(std::function<void()> body) {
    auto pending = std::make_shared<Pending>();
    pending->body = std::move(body);
    m_dispatcher([self = shared_from_this(), pending] { self->runOnCallerThread(*pending); });
    std::unique_lock lock(m_mutex);
    // A call that has started is always waited for: it uses what the worker handed over.
    m_changed.wait(lock, [&] { return pending->done || (m_closed && !pending->running); });
    if (!pending->done)
        return false;
    if (pending->error)
        std::rethrow_exception(pending->error);
    return true;
}

void SynchronizedCalls::post(std::function<void()> body) {
    m_dispatcher([self = shared_from_this(), body = std::move(body)] {
        if (!self->closed())
            body();
    });
}

void SynchronizedCalls::close() {
    {
        std::lock_guard lock(m_mutex);
        m_closed = true;
    }
    m_changed.notify_all();
}

bool SynchronizedCalls::closed() const {
    std::lock_guard lock(m_mutex);
    return m_closed;
}

} // namespace quorvel
