#pragma once

#include <string_view>

namespace quorvel {

// Outcome codes of the mask matcher; only Valid is a match.
enum MatchResult { MatchValid = 1, MatchEnd = 2, MatchAbort = 3, MatchRange = 4, MatchLiteral = 5, MatchPattern = 6 };

// Matches a whole name against a whole mask, ignoring ASCII case. "*" runs over any characters
// (including "/"), "?" is one character, "<a-c!>" style sets as documented in the README.
MatchResult wildcardMatchResult(std::string_view mask, std::string_view name);
bool WildcardMatch(std::string_view mask, std::string_view name);

// True when the entry holds any of the characters "*", "?", "<", ">", "|".
bool IsWildcardName(std::string_view entry);

} // namespace quorvel
