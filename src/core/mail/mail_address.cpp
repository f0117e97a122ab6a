#include "core/mail/mail_address.h"

#include "core/mail/mail_error.h"
#include "core/util/strings.h"

#include <algorithm>

namespace quorvel {

namespace {

constexpr std::size_t MaxAddressLength = 254;
constexpr std::size_t MaxLocalPartLength = 64;
constexpr std::size_t MaxLabelLength = 63;

bool isAsciiLetterOrDigit(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// The characters of an atom (RFC 5322 atext).
bool isAtomChar(char c) {
    return isAsciiLetterOrDigit(c) || std::string_view("!#$%&'*+-/=?^_`{|}~").find(c) != std::string_view::npos;
}

bool isDotAtom(std::string_view text) {
    if (text.empty() || text.front() == '.' || text.back() == '.' || text.find("..") != std::string_view::npos)
        return false;
    return std::all_of(text.begin(), text.end(), [](char c) { return c == '.' || isAtomChar(c); });
}

bool isHostName(std::string_view domain) {
    for (const std::string& label : split(domain, '.')) {
        if (label.empty() || label.size() > MaxLabelLength || label.front() == '-' || label.back() == '-')
            return false;
        if (!std::all_of(label.begin(), label.end(), [](char c) { return c == '-' || isAsciiLetterOrDigit(c); }))
            return false;
    }
    return true;
}

bool isAddressLiteral(std::string_view domain) {
    if (domain.size() < 3 || domain.front() != '[' || domain.back() != ']')
        return false;
    const std::string_view inside = domain.substr(1, domain.size() - 2);
    return std::all_of(inside.begin(), inside.end(),
                       [](char c) { return c > ' ' && c < 127 && c != '[' && c != ']' && c != '\\'; });
}

bool hasControlCharacter(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F;
    });
}

// Runs of blanks become one blank; the ends are trimmed.
std::string collapseBlanks(std::string_view text) {
    std::string result;
    bool blank = false;
    for (const char c : text) {
        if (c == ' ' || c == '\t') {
            blank = !result.empty();
            continue;
        }
        if (blank)
            result += ' ';
        blank = false;
        result += c;
    }
    return result;
}

} // namespace

TEmailAddressItem TEmailAddressItem::parse(std::string_view text) {
    std::string phrase, comment, angle;
    bool haveAngle = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') {
            // A quoted name: backslash quotes the next character.
            for (++i; i < text.size() && text[i] != '"'; ++i) {
                if (text[i] == '\\' && i + 1 < text.size())
                    ++i;
                phrase += text[i];
            }
        } else if (c == '(') {
            int depth = 1;
            std::string inner;
            for (++i; i < text.size() && depth > 0; ++i) {
                if (text[i] == '\\' && i + 1 < text.size()) {
                    inner += text[++i];
                    continue;
                }
                depth += text[i] == '(' ? 1 : text[i] == ')' ? -1 : 0;
                if (depth > 0)
                    inner += text[i];
            }
            --i;
            if (comment.empty())
                comment = inner;
        } else if (c == '<' && !haveAngle) {
            const std::size_t close = text.find('>', i + 1);
            angle = std::string(text.substr(i + 1, close == std::string_view::npos ? close : close - i - 1));
            haveAngle = true;
            i = close == std::string_view::npos ? text.size() : close;
        } else {
            phrase += c;
        }
    }
    TEmailAddressItem item;
    if (haveAngle) {
        item.Address = trim(angle);
        item.Name = collapseBlanks(phrase);
    } else {
        // Without angle brackets everything outside the comment is the address; blanks in it
        // are kept, so that the check refuses it rather than sending to something else.
        item.Address = trim(phrase);
    }
    if (item.Name.empty())
        item.Name = collapseBlanks(comment);
    return item;
}

TEmailAddressList parseAddressList(std::string_view text) {
    TEmailAddressList list;
    std::size_t start = 0;
    int parentheses = 0;
    bool quoted = false, angled = false;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        const char c = i < text.size() ? text[i] : ',';
        if (quoted) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                quoted = false;
            continue;
        }
        if (c == '"')
            quoted = true;
        else if (c == '(')
            ++parentheses;
        else if (c == ')' && parentheses > 0)
            --parentheses;
        else if (c == '<')
            angled = true;
        else if (c == '>')
            angled = false;
        else if ((c == ',' || c == ';') && parentheses == 0 && !angled) {
            const std::string_view item = text.substr(start, std::min(i, text.size()) - start);
            if (!trim(item).empty())
                list.push_back(TEmailAddressItem::parse(item));
            start = i + 1;
        }
    }
    // An item left open by a quote or bracket to the end is still an item (and fails the check).
    if (start < text.size() && !trim(text.substr(start)).empty())
        list.push_back(TEmailAddressItem::parse(text.substr(start)));
    return list;
}

bool isValidAddress(std::string_view address) {
    if (address.size() > MaxAddressLength)
        return false;
    const std::size_t at = address.rfind('@');
    if (at == std::string_view::npos || at == 0 || at > MaxLocalPartLength || at + 1 >= address.size())
        return false;
    const std::string_view local = address.substr(0, at);
    const std::string_view domain = address.substr(at + 1);
    return isDotAtom(local) && (isHostName(domain) || isAddressLiteral(domain));
}

void checkMailbox(const TEmailAddressItem& mailbox) {
    if (!isValidAddress(mailbox.Address) || hasControlCharacter(mailbox.Name)) {
        const std::string shown = mailbox.Name.empty() ? mailbox.Address : mailbox.Name + " <" + mailbox.Address + ">";
        throw MailError("'" + shown + "' is not an email address.");
    }
}

void checkMailboxes(const TEmailAddressList& list) {
    for (const TEmailAddressItem& mailbox : list)
        checkMailbox(mailbox);
}

} // namespace quorvel
