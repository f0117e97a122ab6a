#pragma once

#include <string_view>

namespace quorvel {

// Whether a file name matches the finder's search mask, the way a folder listing filtered by
// a wildcard mask works on the desktop systems this program's masks come from. The rules:
// - letters compare without regard to ASCII case ("*.zip" matches "OLD.ZIP");
// - "*" matches any run of characters, dots included;
// - "*" directly before a "." cannot run across the name's last dot, so "*." matches names
//   without a dot and "*.zip" does not match "a.zip.bak";
// - "?" matches one character other than "."; where the name has a "." or has ended it
//   matches nothing instead, so "a??.txt" matches "a.txt" and "ab.txt" but "a?c" not "a.c";
// - a "." followed by "*", "?" or the end of the mask also matches the end of a name that has
//   no dot there, so "*.*" matches every name, "README" included.
// Names are not matched through alternative short names, so "*.zip" does not match "a.zipx".
bool matchesFindMask(std::string_view name, std::string_view mask);

} // namespace quorvel
