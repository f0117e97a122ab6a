#pragma once

namespace quorvel::gui {

// The help book's section on FTP sites and transfers.
inline constexpr int HelpFtp = 92;

} // namespace quorvel::gui
