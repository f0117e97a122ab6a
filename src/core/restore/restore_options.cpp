#include "core/restore/restore_options.h"

namespace quorvel {

std::optional<StoredOverwriteMode> storedOverwriteModeOf(int storedValue) {
    if (storedValue < 0 || storedValue > 4)
        return std::nullopt;
    return static_cast<StoredOverwriteMode>(storedValue);
}

int storedOverwriteValue(std::optional<StoredOverwriteMode> selected) {
    return selected ? static_cast<int>(*selected) : DefaultStoredOverwriteMode;
}

std::string_view overwriteCaption(StoredOverwriteMode mode) {
    for (const OverwriteRadio& radio : OverwriteRadios) {
        if (radio.mode == mode)
            return radio.caption;
    }
    return {};
}

} // namespace quorvel
