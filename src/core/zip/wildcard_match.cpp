#include "core/zip/wildcard_match.h"

#include "core/util/strings.h"

#include <string>

namespace quorvel {

namespace {

struct Matcher {
    std::string mask;
    std::string name;

    // A set "<...>" starting at mask[m]; on success m points past the ">".
    MatchResult matchSet(std::size_t& m, char ch) const {
        ++m; // past "<"
        if (m >= mask.size())
            return MatchPattern;
        bool invert = false;
        if (mask[m] == '!' || mask[m] == '^') {
            invert = true;
            ++m;
        }
        if (m < mask.size() && mask[m] == '>')
            return MatchPattern; // empty set
        bool member = false;
        while (true) {
            if (m >= mask.size())
                return MatchPattern; // no closing ">"
            if (mask[m] == '>')
                break;
            char low = mask[m++];
            if (m < mask.size() && mask[m] == '-') {
                ++m;
                if (m >= mask.size() || mask[m] == '>')
                    return MatchPattern; // range without its end character
                char high = mask[m++];
                if (high < low)
                    std::swap(low, high);
                if (ch >= low && ch <= high)
                    member = true;
            } else if (low == ch) {
                member = true;
            }
        }
        ++m; // past ">"
        return member != invert ? MatchValid : MatchRange;
    }

    bool emptySetAt(std::size_t m) const {
        std::size_t i = m + 1;
        if (i < mask.size() && (mask[i] == '!' || mask[i] == '^'))
            ++i;
        return i >= mask.size() || mask[i] == '>';
    }

    MatchResult matchAt(std::size_t m, std::size_t n) const {
        while (true) {
            if (m == mask.size())
                return n == name.size() ? MatchValid : MatchEnd;
            if (n == name.size())
                return (m + 1 == mask.size() && mask[m] == '*') ? MatchValid : MatchAbort;
            char c = mask[m];
            if (c == '*')
                return matchAfterStar(m, n);
            if (c == '?') {
                ++m;
                ++n;
            } else if (c == '<') {
                MatchResult r = matchSet(m, name[n]);
                if (r != MatchValid)
                    return r;
                ++n;
            } else {
                if (c != name[n])
                    return MatchLiteral;
                ++m;
                ++n;
            }
        }
    }

    MatchResult matchAfterStar(std::size_t m, std::size_t n) const {
        // One name character per "?" of the star run; running out of name there is final.
        while (m < mask.size() && (mask[m] == '*' || mask[m] == '?')) {
            if (mask[m] == '?') {
                if (n >= name.size())
                    return MatchAbort;
                ++n;
                if (n == name.size())
                    return MatchAbort;
            }
            ++m;
        }
        if (m == mask.size())
            return MatchValid;
        char next = mask[m];
        if (next == '<' && emptySetAt(m))
            return MatchAbort;
        MatchResult result = MatchAbort;
        for (; n < name.size(); ++n) {
            if (next == name[n] || next == '<') {
                result = matchAt(m, n);
                if (result == MatchValid || result == MatchAbort || result == MatchPattern)
                    return result;
            }
        }
        return MatchAbort;
    }
};

} // namespace

MatchResult wildcardMatchResult(std::string_view mask, std::string_view name) {
    if (mask == "*")
        return MatchValid;
    Matcher matcher{toLowerAscii(mask), toLowerAscii(name)};
    return matcher.matchAt(0, 0);
}

bool WildcardMatch(std::string_view mask, std::string_view name) {
    return wildcardMatchResult(mask, name) == MatchValid;
}

bool IsWildcardName(std::string_view entry) {
    return entry.find_first_of("*?<>|") != std::string_view::npos;
}

} // namespace quorvel
