#pragma once

#include "core/find/caller_dispatch.h"
#include "core/find/folder_search.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <sys/types.h>
#include <thread>

namespace quorvel {

enum class TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

// The worker of a threaded search. It walks the folders on its own thread and hands every
// event to the caller's thread through the dispatcher, waiting until the handler has run, so
// handlers only ever run on the caller's thread. When the walk ends it posts `finished` to
// the caller's thread. Destroying the object (on the caller's thread) stops the walk, cancels
// every event not yet delivered and `finished`, and waits for the thread to end.
class TSearchThread {
public:
    TSearchThread(std::vector<SearchTarget> targets, SearchSettings settings, SearchEvents callerEvents,
                  CallerDispatcher dispatcher, TThreadPriority priority, std::function<void()> finished);
    ~TSearchThread();
    TSearchThread(const TSearchThread&) = delete;
    TSearchThread& operator=(const TSearchThread&) = delete;

    // Takes effect on the running thread at once. Raising the priority above normal needs a
    // privilege most users lack; the thread then keeps its priority.
    void setPriority(TThreadPriority priority);

private:
    void work(std::vector<SearchTarget> targets, SearchSettings settings, SearchEvents callerEvents,
              std::function<void()> finished);
    SearchEvents handedOver(const SearchEvents& callerEvents);

    std::shared_ptr<SynchronizedCalls> m_calls;
    std::atomic<bool> m_stop{false};
    std::mutex m_priorityMutex; // guards the two below: the id is 0 unless the thread runs
    TThreadPriority m_priority;
    pid_t m_threadId = 0;
    std::thread m_thread;
};

} // namespace quorvel
