#pragma once

#include <string_view>

namespace quorvel {

// Whether an exclusion mask of the finder matches a found entry. `folder` is the entry's
// folder ending in "/", `name` its name. Letters compare without regard to ASCII case.
//
// A mask with a folder part ("sub/*.tmp", "/home/u/cache/*.*") matches only entries whose
// folder ends with that folder part, compared as text. A drive in front of the folder part
// ("C:/...") can only be satisfied by "*:" or "?:", since paths here have no drive.
//
// The name part is walked against the name: "?" takes any character but "."; "*" takes
// characters up to, not across, the next "." of the name, where it jumps to the next "." of
// the mask; a "?" facing a "." of the name is passed over. Trailing "*" and "?" may match
// nothing, and an empty name part matches every name. So "*.TMP" does not match "A.B.TMP",
// and "*.*" needs a dot in the name.
bool matchesExclusionMask(std::string_view folder, std::string_view name, std::string_view mask);

} // namespace quorvel
