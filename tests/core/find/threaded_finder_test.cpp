#include "core/find/file_finder.h"
#include "support/test_support.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

using namespace quorvel;
using namespace quorvel::test;

namespace {

// Stands in for an event loop: tasks posted from any thread run when the test pumps.
class TaskQueue {
public:
    CallerDispatcher dispatcher() {
        return [this](std::function<void()> task) {
            {
                std::lock_guard lock(m_mutex);
                m_tasks.push_back(std::move(task));
            }
            m_posted.notify_all();
        };
    }

    // Runs tasks on this thread until `done` holds; false when no task came for a long while.
    bool pumpUntil(const std::function<bool()>& done) {
        while (!done()) {
            std::function<void()> task;
            {
                std::unique_lock lock(m_mutex);
                if (!m_posted.wait_for(lock, std::chrono::seconds(60), [&] { return !m_tasks.empty(); }))
                    return false;
                task = std::move(m_tasks.front());
                m_tasks.pop_front();
            }
            task();
        }
        return true;
    }

    void runQueued() {
        std::deque<std::function<void()>> tasks;
        {
            std::lock_guard lock(m_mutex);
            tasks.swap(m_tasks);
        }
        for (auto& task : tasks)
            task();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_posted;
    std::deque<std::function<void()>> m_tasks;
};

void makeTree(const TempDir& dir, int filesPerFolder) {
    for (const char* folder : {"", "one/", "two/", "two/three/"})
        for (int i = 0; i < filesPerFolder; ++i)
            writeFile(dir / (std::string(folder) + "f" + std::to_string(i) + ".txt"), "x");
}

struct Counts {
    int found = 0;
    int folders = 0;
    int completed = 0;
    bool allOnCallerThread = true;
};

void attach(TFileFinder& finder, Counts& counts) {
    const auto caller = std::this_thread::get_id();
    finder.OnFound = [&counts, caller](const std::string&, TSearchRec&) {
        ++counts.found;
        counts.allOnCallerThread &= std::this_thread::get_id() == caller;
    };
    finder.OnNewFolder = [&counts, caller](const std::string& folder, bool& ignore) {
        ++counts.folders;
        counts.allOnCallerThread &= std::this_thread::get_id() == caller;
        ignore = folder.ends_with("/two");
    };
    finder.OnComplete = [&counts, caller] {
        ++counts.completed;
        counts.allOnCallerThread &= std::this_thread::get_id() == caller;
    };
}

} // namespace

TEST(ThreadedFileFinder, EveryEventRunsOnTheCallersThreadAndASecondExecuteIsIgnored) {
    TempDir dir;
    makeTree(dir, 5);
    TaskQueue queue;
    TFileFinder finder;
    Counts counts;
    attach(finder, counts);
    finder.Threaded = true;
    finder.setThreadPriority(TThreadPriority::tpLower);
    finder.setDispatcher(queue.dispatcher());
    finder.setLocation(dir.path().string());
    finder.Execute();
    EXPECT_TRUE(finder.Busy());
    finder.Execute(); // ignored: a search is running
    ASSERT_TRUE(queue.pumpUntil([&] { return counts.completed > 0; }));
    queue.runQueued();
    EXPECT_FALSE(finder.Busy());
    EXPECT_EQ(counts.completed, 1);
    EXPECT_EQ(counts.found, 10); // the top folder and "one"; "two" was ignored with what lies below
    EXPECT_EQ(counts.folders, 3);
    EXPECT_TRUE(counts.allOnCallerThread);

    finder.Execute(); // a finished search can run again
    ASSERT_TRUE(queue.pumpUntil([&] { return counts.completed > 1; }));
    EXPECT_EQ(counts.found, 20);
}

TEST(ThreadedFileFinder, DestroyingTheFinderStopsTheWorkerAndNothingFiresAfterwards) {
    TempDir dir;
    makeTree(dir, 50);
    TaskQueue queue;
    Counts counts;
    auto finder = std::make_unique<TFileFinder>();
    attach(*finder, counts);
    finder->Threaded = true;
    finder->setDispatcher(queue.dispatcher());
    finder->setLocation(dir.path().string());
    finder->Execute();
    ASSERT_TRUE(queue.pumpUntil([&] { return counts.found >= 3; }));
    finder.reset(); // the worker waits for its next event; it must be released and joined
    const Counts before = counts;
    queue.runQueued();
    EXPECT_EQ(counts.found, before.found);
    EXPECT_EQ(counts.completed, 0);
}

TEST(ThreadedFileFinder, DestroyingBeforeAnyEventWasDeliveredDoesNotHang) {
    TempDir dir;
    makeTree(dir, 3);
    TaskQueue queue;
    Counts counts;
    {
        TFileFinder finder;
        attach(finder, counts);
        finder.Threaded = true;
        finder.setDispatcher(queue.dispatcher());
        finder.setLocation(dir.path().string());
        finder.Execute();
    }
    queue.runQueued();
    EXPECT_EQ(counts.folders + counts.found + counts.completed, 0);
}

TEST(ThreadedFileFinder, AHandlerErrorEndsTheSearchQuietlyInBothModes) {
    TempDir dir;
    makeTree(dir, 5);
    for (bool threaded : {false, true}) {
        TaskQueue queue;
        TFileFinder finder;
        int found = 0;
        int completed = 0;
        finder.OnFound = [&](const std::string&, TSearchRec&) {
            ++found;
            throw std::runtime_error("handler failed");
        };
        finder.OnComplete = [&] { ++completed; };
        finder.Threaded = threaded;
        finder.setDispatcher(queue.dispatcher());
        finder.setLocation(dir.path().string());
        EXPECT_NO_THROW(finder.Execute());
        ASSERT_TRUE(queue.pumpUntil([&] { return completed > 0; }));
        EXPECT_EQ(found, 1) << threaded;
        EXPECT_FALSE(finder.Busy());
    }
}
