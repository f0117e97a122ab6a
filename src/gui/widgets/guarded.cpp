#include "gui/widgets/guarded.h"

#include <exception>

namespace quorvel::gui {

void runGuarded(UserPrompts& prompts, const std::function<void()>& command) {
    try {
        command();
    } catch (const std::exception& e) {
        prompts.showMessage(e.what(), MessageKind::Error);
    } catch (...) {
        prompts.showMessage("An unexpected error occurred.", MessageKind::Error);
    }
}

} // namespace quorvel::gui
