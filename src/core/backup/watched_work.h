#pragma once

#include "core/backup/run_progress.h"

#include <functional>
#include <memory>

namespace quorvel {

class CancelToken;

// Runs `work` on a thread of its own while this thread calls `tick` now and then and asks the
// caller's processMessages() whether to stop, so that a cancel works also while the work waits
// for a silent server and no progress comes to ask from: the token then wakes the work's wait at
// once. `progress` and `tick` are only ever called on this thread, as their users expect.
// Rethrows what `work` raised; after a cancel, as EUserCanceled with the work's own text.
void runWatched(RunProgress& progress, const std::shared_ptr<CancelToken>& cancel, const std::function<void()>& work,
                const std::function<void()>& tick = {});

} // namespace quorvel
