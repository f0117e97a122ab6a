#pragma once

#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace quorvel {

// A fixed set of threads that run tasks in the order they were submitted. The thread that waits
// for a task nobody has started yet runs it itself, so with a single thread no worker is started
// at all and every task runs, in order, on the thread that needs its result.
class WorkerPool {
public:
    class Task {
    public:
        explicit Task(std::function<void()> work) : m_work(std::move(work)) {}

    private:
        friend class WorkerPool;
        enum class State { Queued, Running, Done };
        std::function<void()> m_work;
        State m_state = State::Queued;
        std::exception_ptr m_error;
    };

    // At most this many threads, whatever the machine offers: past it the single writer of the
    // archive is the limit, and each thread costs its share of the memory.
    static constexpr int MaxThreads = 8;

    // The number of threads to use: `requested` when positive, otherwise the QUORVEL_THREADS
    // environment variable when it holds a positive number, otherwise one per processor this
    // process may run on; never more than MaxThreads.
    static int threadCount(int requested);

    explicit WorkerPool(int threads);
    // Tasks not started are dropped; running ones finish first.
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    int threads() const { return m_threads; }
    std::shared_ptr<Task> submit(std::function<void()> work);
    // Like submit, but ahead of every task still queued: for work the caller is about to wait for.
    std::shared_ptr<Task> submitFirst(std::function<void()> work);
    // Returns once the task has run, raising what it raised.
    void wait(Task& task);

private:
    std::shared_ptr<Task> enqueue(std::function<void()> work, bool first);
    void serve();
    void run(Task& task, std::unique_lock<std::mutex>& lock);

    int m_threads;
    std::mutex m_mutex;
    std::condition_variable m_queued;
    std::condition_variable m_finished;
    std::deque<std::shared_ptr<Task>> m_queue;
    bool m_stopping = false;
    std::vector<std::thread> m_workers;
};

} // namespace quorvel
