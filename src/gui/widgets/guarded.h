#pragma once

#include "core/util/user_prompts.h"

#include <functional>

namespace quorvel::gui {

// Runs a command of a window; any exception it raises is shown in an error box instead of
// crossing the event loop, and the window stays usable.
void runGuarded(UserPrompts& prompts, const std::function<void()>& command);

} // namespace quorvel::gui
