#include "core/backup/watched_work.h"

#include "core/net/cancel_token.h"
#include "core/zip/zip_errors.h"

#include <chrono>
#include <future>

namespace quorvel {

namespace {

// How often the waiting thread shows the progress and asks whether to stop.
constexpr std::chrono::milliseconds WatchInterval{100};

} // namespace

void runWatched(RunProgress& progress, const std::shared_ptr<CancelToken>& cancel, const std::function<void()>& work,
                const std::function<void()>& tick) {
    std::future<void> running = std::async(std::launch::async, work);
    bool cancelled = false;
    try {
        while (running.wait_for(WatchInterval) != std::future_status::ready) {
            if (tick)
                tick();
            if (cancelled)
                continue;
            try {
                progress.processMessages();
            } catch (const EUserCanceled&) {
                cancelled = true;
                cancel->cancel(); // a protocol client still says an orderly goodbye
            }
        }
    } catch (...) {
        cancel->close();
        running.wait(); // the work uses the caller's objects
        throw;
    }
    try {
        running.get();
    } catch (const std::exception& error) {
        if (cancelled)
            throw EUserCanceled(error.what());
        throw;
    }
    // A cancel that came as the work completed is too late: it is done.
}

} // namespace quorvel
