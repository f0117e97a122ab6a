#include "core/zip/worker_pool.h"

#include <algorithm>
#include <cstdlib>
#include <sched.h>
#include <string>

namespace quorvel {

int WorkerPool::threadCount(int requested) {
    int count = requested;
    if (count <= 0) {
        const char* forced = std::getenv("QUORVEL_THREADS");
        count = forced ? std::atoi(forced) : 0;
    }
    if (count <= 0) {
        // The processors this process may use: a program started under taskset gets no more.
        cpu_set_t set;
        CPU_ZERO(&set);
        count = sched_getaffinity(0, sizeof set, &set) == 0 ? CPU_COUNT(&set)
                                                            : static_cast<int>(std::thread::hardware_concurrency());
    }
    return std::clamp(count, 1, MaxThreads);
}

WorkerPool::WorkerPool(int threads) : m_threads(std::max(threads, 1)) {
    if (m_threads < 2)
        return;
    m_workers.reserve(static_cast<std::size_t>(m_threads));
    for (int i = 0; i < m_threads; ++i)
        m_workers.emplace_back([this] { serve(); });
}

WorkerPool::~WorkerPool() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_queue.clear();
    }
    m_queued.notify_all();
    for (std::thread& worker : m_workers)
        worker.join();
}

std::shared_ptr<WorkerPool::Task> WorkerPool::submit(std::function<void()> work) {
    return enqueue(std::move(work), false);
}

std::shared_ptr<WorkerPool::Task> WorkerPool::submitFirst(std::function<void()> work) {
    return enqueue(std::move(work), true);
}

std::shared_ptr<WorkerPool::Task> WorkerPool::enqueue(std::function<void()> work, bool first) {
    auto task = std::make_shared<Task>(std::move(work));
    if (m_workers.empty())
        return task; // run by whoever waits for it
    {
        std::lock_guard lock(m_mutex);
        if (first)
            m_queue.push_front(task);
        else
            m_queue.push_back(task);
    }
    m_queued.notify_one();
    return task;
}

void WorkerPool::wait(Task& task) {
    std::unique_lock lock(m_mutex);
    if (task.m_state == Task::State::Queued)
        run(task, lock); // still in the queue: a worker that meets it later passes it by
    m_finished.wait(lock, [&] { return task.m_state == Task::State::Done; });
    if (task.m_error)
        std::rethrow_exception(task.m_error);
}

// Runs a queued task with the lock released; the lock is held again on return.
void WorkerPool::run(Task& task, std::unique_lock<std::mutex>& lock) {
    task.m_state = Task::State::Running;
    lock.unlock();
    std::exception_ptr error;
    try {
        task.m_work();
    } catch (...) {
        error = std::current_exception();
    }
    task.m_work = nullptr; // whatever the work held goes now, not when the last handle does
    lock.lock();
    task.m_error = error;
    task.m_state = Task::State::Done;
    m_finished.notify_all();
}

void WorkerPool::serve() {
    std::unique_lock lock(m_mutex);
    while (true) {
        m_queued.wait(lock, [&] { return m_stopping || !m_queue.empty(); });
        if (m_stopping)
            return;
        std::shared_ptr<Task> task = std::move(m_queue.front());
        m_queue.pop_front();
        if (task->m_state == Task::State::Queued)
            run(*task, lock);
    }
}

} // namespace quorvel
