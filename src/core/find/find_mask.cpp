#include "core/find/find_mask.h"

#include <cstddef>
#include <vector>

namespace quorvel {

namespace {

enum class Token : char { Literal, Star, StarToLastDot, QuestionMark, OptionalDot };

struct MaskItem {
    Token token;
    char literal;
};

char foldCase(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Turns the mask into tokens, giving "*", "?" and "." the meaning their neighbours decide.
std::vector<MaskItem> tokenize(std::string_view mask) {
    std::vector<MaskItem> items;
    for (size_t i = 0; i < mask.size(); ++i) {
        const char next = i + 1 < mask.size() ? mask[i + 1] : '\0';
        const bool atEnd = i + 1 == mask.size();
        switch (mask[i]) {
        case '*':
            items.push_back({next == '.' ? Token::StarToLastDot : Token::Star, 0});
            break;
        case '?':
            items.push_back({Token::QuestionMark, 0});
            break;
        case '.':
            if (atEnd || next == '*' || next == '?')
                items.push_back({Token::OptionalDot, 0});
            else
                items.push_back({Token::Literal, '.'});
            break;
        default:
            items.push_back({Token::Literal, foldCase(mask[i])});
        }
    }
    return items;
}

// Dynamic programming over (mask item, name position): matched[j] says whether the items
// seen so far can consume exactly the first j characters of the name.
class Matcher {
public:
    explicit Matcher(std::string_view name) : m_name(name), m_lastDot(name.rfind('.')) {}

    bool run(const std::vector<MaskItem>& items) const {
        const size_t n = m_name.size();
        std::vector<char> matched(n + 1, 0);
        matched[0] = 1;
        for (const MaskItem& item : items) {
            std::vector<char> next(n + 1, 0);
            for (size_t j = 0; j <= n; ++j) {
                if (matched[j])
                    advance(item, j, next);
            }
            matched = std::move(next);
        }
        return matched[n] != 0;
    }

private:
    void advance(const MaskItem& item, size_t j, std::vector<char>& next) const {
        const size_t n = m_name.size();
        switch (item.token) {
        case Token::Literal:
            if (j < n && foldCase(m_name[j]) == item.literal)
                next[j + 1] = 1;
            break;
        case Token::Star:
            for (size_t k = j; k <= n; ++k)
                next[k] = 1;
            break;
        case Token::StarToLastDot:
            for (size_t k = j; k <= n; ++k) {
                next[k] = 1;
                if (k == m_lastDot)
                    break;
            }
            break;
        case Token::QuestionMark:
            if (j < n && m_name[j] != '.')
                next[j + 1] = 1;
            else
                next[j] = 1;
            break;
        case Token::OptionalDot:
            if (j < n && m_name[j] == '.')
                next[j + 1] = 1;
            else if (j == n)
                next[j] = 1;
            break;
        }
    }

    std::string_view m_name;
    size_t m_lastDot;
};

} // namespace

bool matchesFindMask(std::string_view name, std::string_view mask) {
    return Matcher(name).run(tokenize(mask));
}

} // namespace quorvel
