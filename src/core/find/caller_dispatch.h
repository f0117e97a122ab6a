#pragma once

#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>

namespace quorvel {

// Queues a task to run on the thread that owns a component's event handlers and returns at
// once. The core has no event loop of its own: the desktop program posts the task to its
// main event loop, a test to a queue it pumps.
using CallerDispatcher = std::function<void(std::function<void()> task)>;

// Calls from a worker thread into the caller's thread, each waited for: the worker hands a
// call over and blocks until the caller's thread has run it. Closing (from the caller's
// thread, when the owner goes away) cancels every call that has not started: such a call
// never runs, and a worker waiting for it wakes up. Keep the object in a shared_ptr: the
// queued tasks hold on to it.
class SynchronizedCalls : public std::enable_shared_from_this<SynchronizedCalls> {
public:
    explicit SynchronizedCalls(CallerDispatcher dispatcher) : m_dispatcher(std::move(dispatcher)) {}

    // Worker side. True when the call ran; false when the calls were closed before it could.
    // An exception thrown by the call is thrown again here, on the worker.
    bool call(std::function<void()> body);

    // Worker side: queue a call without waiting; it runs unless the calls are closed first.
    void post(std::function<void()> body);

    // Caller side.
    void close();
    bool closed() const;

private:
    struct Pending;
    void runOnCallerThread(Pending& pending);

    CallerDispatcher m_dispatcher;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_closed = false;
};

} // namespace quorvel
