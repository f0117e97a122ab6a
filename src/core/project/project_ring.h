#pragma once

#include "core/ini/ini_document.h"

#include <string_view>

namespace quorvel {

// A project's retention ring in StoreNumber.txt ("Max", "Head" and the slots "N1".."NMax") under
// another project name. The target section is replaced whole: whatever an earlier project of
// that name left there is gone, so a project never inherits archives that are not its own.
// Without a ring under `from` the target section is only erased.
void copyRetentionRing(IniDocument& storeNumber, std::string_view from, std::string_view to);

} // namespace quorvel
