#include "core/find/search_thread.h"

#include <sys/resource.h>
#include <unistd.h>

namespace quorvel {

namespace {

// Nice values; on Linux each thread has its own.
int niceValueOf(TThreadPriority priority) {
    switch (priority) {
    case TThreadPriority::tpIdle:
        return 19;
    case TThreadPriority::tpLowest:
        return 10;
    case TThreadPriority::tpLower:
        return 5;
    case TThreadPriority::tpNormal:
        return 0;
    case TThreadPriority::tpHigher:
        return -5;
    case TThreadPriority::tpHighest:
        return -10;
    case TThreadPriority::tpTimeCritical:
        return -20;
    }
    return 0;
}

void applyPriority(pid_t threadId, TThreadPriority priority) {
    if (threadId != 0)
        ::setpriority(PRIO_PROCESS, static_cast<id_t>(threadId), niceValueOf(priority));
}

} // namespace

TSearchThread::TSearchThread(std::vector<SearchTarget> targets, SearchSettings settings, SearchEvents callerEvents,
                             CallerDispatcher dispatcher, TThreadPriority priority, std::function<void()> finished)
    : m_calls(std::make_shared<SynchronizedCalls>(std::move(dispatcher))), m_priority(priority) {
    m_thread = std::thread(&TSearchThread::work, this, std::move(targets), std::move(settings), std::move(callerEvents),
                           std::move(finished));
}

TSearchThread::~TSearchThread() {
    m_stop = true;
    m_calls->close();
    if (m_thread.get_id() == std::this_thread::get_id())
        m_thread.detach(); // a dispatcher that ran the task on the worker itself
    else if (m_thread.joinable())
        m_thread.join();
}

void TSearchThread::setPriority(TThreadPriority priority) {
    std::lock_guard lock(m_priorityMutex);
    m_priority = priority;
    applyPriority(m_threadId, priority);
}

SearchEvents TSearchThread::handedOver(const SearchEvents& callerEvents) {
    SearchEvents events;
    events.newFolder = [this, callerEvents](const std::string& folder, bool& ignoreFolder) {
        if (!m_calls->call([&] { callerEvents.newFolder(folder, ignoreFolder); }))
            m_stop = true;
    };
    events.found = [this, callerEvents](const std::string& folder, TSearchRec& fileInfo) {
        if (!m_calls->call([&] { callerEvents.found(folder, fileInfo); }))
            m_stop = true;
    };
    return events;
}

void TSearchThread::work(std::vector<SearchTarget> targets, SearchSettings settings, SearchEvents callerEvents,
                         std::function<void()> finished) {
    {
        std::lock_guard lock(m_priorityMutex);
        m_threadId = ::gettid();
        applyPriority(m_threadId, m_priority);
    }
    runSearch(targets, settings, handedOver(callerEvents), m_stop);
    {
        std::lock_guard lock(m_priorityMutex);
        m_threadId = 0;
    }
    m_calls->post(std::move(finished));
}

} // namespace quorvel
