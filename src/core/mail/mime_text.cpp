#include "core/mail/mime_text.h"

#include "core/util/strings.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <openssl/evp.h>

namespace quorvel {

namespace {

// An encoded word at most this long: "Subject: " and one word still fit a folded line.
constexpr std::size_t MaxEncodedWord = FoldWidth - 10;
constexpr std::size_t MaxTextLine = 998;
constexpr std::size_t QpLineWidth = 76;
constexpr std::string_view ParameterIndent = "\r\n        ";

const char* const HexDigits = "0123456789ABCDEF";

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

bool isPrintableAscii(char c) {
    return c >= 0x20 && c < 0x7F;
}

bool isAsciiLetterOrDigit(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

void appendHex(std::string& out, char prefix, unsigned char byte) {
    out += prefix;
    out += HexDigits[byte >> 4];
    out += HexDigits[byte & 0x0F];
}

// The length of the UTF-8 character starting at `i` (continuation bytes belong to it).
std::size_t characterLength(std::string_view text, std::size_t i) {
    std::size_t end = i + 1;
    while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        ++end;
    return end - i;
}

bool needsEncoding(std::string_view word, bool phrase) {
    if (word.size() > MaxEncodedWord)
        return true;
    if (word.starts_with("=?") && word.find("?=") != std::string_view::npos)
        return true;
    return std::any_of(word.begin(), word.end(), [phrase](char c) {
        if (!isPrintableAscii(c))
            return true;
        return phrase && std::string_view("()<>@,;:\\\".[]").find(c) != std::string_view::npos;
    });
}

// Q form in its strictest reading (RFC 2047 5(3)), safe in a subject and in a display name alike.
std::string qEncoded(std::string_view bytes) {
    std::string out;
    for (const char c : bytes) {
        if (isAsciiLetterOrDigit(c) || std::string_view("!*+-/").find(c) != std::string_view::npos)
            out += c;
        else if (c == ' ')
            out += '_';
        else
            appendHex(out, '=', static_cast<unsigned char>(c));
    }
    return out;
}

std::size_t encodedLength(std::string_view bytes, WordEncoding encoding) {
    return encoding == WordEncoding::B ? (bytes.size() + 2) / 3 * 4 : qEncoded(bytes).size();
}

std::string encodedWord(std::string_view bytes, WordEncoding encoding) {
    const char letter = encoding == WordEncoding::B ? 'B' : 'Q';
    return "=?" + std::string(HeaderCharset) + "?" + letter + "?" +
           (encoding == WordEncoding::B ? base64(bytes) : qEncoded(bytes)) + "?=";
}

// A run of text as encoded words within MaxEncodedWord, split between characters, joined by
// blanks (which decoders drop between encoded words).
std::string encodeRun(std::string_view run, WordEncoding encoding) {
    const std::size_t room = MaxEncodedWord - HeaderCharset.size() - 7; // "=?" "?B?" "?="
    std::vector<std::string> words;
    std::size_t start = 0, end = 0;
    while (end < run.size()) {
        const std::size_t next = end + characterLength(run, end);
        if (end > start && encodedLength(run.substr(start, next - start), encoding) > room) {
            words.push_back(encodedWord(run.substr(start, end - start), encoding));
            start = end;
        }
        end = next;
    }
    if (end > start)
        words.push_back(encodedWord(run.substr(start, end - start), encoding));
    return join(words, " ");
}

// Segments of a header line, each but the first starting with the blanks before it; blanks
// inside double quotes do not separate.
std::vector<std::string> foldSegments(std::string_view line) {
    std::vector<std::string> segments(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (!quoted && isBlank(c) && i > 0 && !isBlank(line[i - 1]))
            segments.emplace_back();
        segments.back() += c;
        if (quoted && c == '\\' && i + 1 < line.size())
            segments.back() += line[++i];
        else if (c == '"')
            quoted = !quoted;
    }
    return segments;
}

bool isAttributeChar(char c) {
    return isAsciiLetterOrDigit(c) || std::string_view("!#$&+-.^_`|~").find(c) != std::string_view::npos;
}

} // namespace

WordEncoding wordEncodingForLanguage(std::string_view locale) {
    const std::string language = toLowerAscii(locale.substr(0, 2));
    return language == "zh" || language == "ja" || language == "ko" ? WordEncoding::B : WordEncoding::Q;
}

WordEncoding systemWordEncoding() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0')
            return wordEncodingForLanguage(value);
    }
    return WordEncoding::Q;
}

std::string base64(std::string_view bytes) {
    std::string out((bytes.size() + 2) / 3 * 4 + 1, '\0');
    const int length =
        EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                        reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<int>(bytes.size()));
    out.resize(static_cast<std::size_t>(length));
    return out;
}

std::uint64_t base64LinesSize(std::uint64_t size) {
    const std::uint64_t rest = size % Base64LineBytes;
    return size / Base64LineBytes * 78 + (rest > 0 ? (rest + 2) / 3 * 4 + 2 : 0);
}

void appendBase64Lines(std::string& out, std::string_view bytes) {
    out.reserve(out.size() + base64LinesSize(bytes.size()));
    for (std::size_t at = 0; at < bytes.size(); at += Base64LineBytes) {
        const std::size_t size = std::min(Base64LineBytes, bytes.size() - at);
        const std::size_t start = out.size();
        out.resize(start + (size + 2) / 3 * 4 + 1);
        const int length =
            EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data() + start),
                            reinterpret_cast<const unsigned char*>(bytes.data() + at), static_cast<int>(size));
        out.resize(start + static_cast<std::size_t>(length));
        out += "\r\n";
    }
}

std::string encodeHeaderText(std::string_view text, WordEncoding encoding, bool phrase) {
    // Words and the blanks before them; CR and LF are no separators, so a line break can only
    // ever end up inside an encoded word.
    struct Word {
        std::string_view blanks, text;
        bool encode;
    };
    std::vector<Word> words;
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t wordStart = std::min(text.find_first_not_of(" \t", i), text.size());
        std::size_t wordEnd = std::min(text.find_first_of(" \t", wordStart), text.size());
        const std::string_view word = text.substr(wordStart, wordEnd - wordStart);
        words.push_back({text.substr(i, wordStart - i), word, !word.empty() && needsEncoding(word, phrase)});
        i = wordEnd;
    }
    std::string out;
    for (std::size_t w = 0; w < words.size(); ++w) {
        out += words[w].blanks;
        if (!words[w].encode) {
            out += words[w].text;
            continue;
        }
        // One run: this word and the words needing encoding right after it, blanks included.
        const char* runStart = words[w].text.data();
        std::size_t last = w;
        while (last + 1 < words.size() && words[last + 1].encode)
            ++last;
        const char* runEnd = words[last].text.data() + words[last].text.size();
        out += encodeRun(std::string_view(runStart, static_cast<std::size_t>(runEnd - runStart)), encoding);
        w = last;
    }
    return out;
}

std::string formatMailbox(const TEmailAddressItem& mailbox, WordEncoding encoding) {
    if (mailbox.Name.empty())
        return mailbox.Address;
    const bool plain =
        std::all_of(mailbox.Name.begin(), mailbox.Name.end(), isPrintableAscii) &&
        std::ranges::all_of(split(mailbox.Name, ' '), [](const std::string& w) { return w.size() <= MaxEncodedWord; });
    if (!plain)
        return encodeHeaderText(mailbox.Name, encoding, true) + " <" + mailbox.Address + ">";
    std::string quoted = "\"";
    for (const char c : mailbox.Name) {
        if (c == '\\' || c == '"')
            quoted += '\\';
        quoted += c;
    }
    return quoted + "\" <" + mailbox.Address + ">";
}

std::string formatMailboxes(const TEmailAddressList& list, WordEncoding encoding) {
    std::vector<std::string> shown;
    for (const TEmailAddressItem& mailbox : list)
        shown.push_back(formatMailbox(mailbox, encoding));
    return join(shown, ", ");
}

std::string foldHeader(std::string_view name, std::string_view value) {
    const std::string line = std::string(name) + ": " + trimRight(value);
    std::string out, current;
    for (const std::string& segment : foldSegments(line)) {
        if (!current.empty() && current.size() + segment.size() > FoldWidth) {
            out += trimRight(current) + "\r\n";
            current.clear();
        }
        current += segment;
    }
    return out + trimRight(current) + "\r\n";
}

std::string mimeParameter(std::string_view name, std::string_view value) {
    const std::size_t indent = ParameterIndent.size() - 2;
    if (std::all_of(value.begin(), value.end(), isPrintableAscii)) {
        std::string quoted;
        for (const char c : value) {
            if (c == '\\' || c == '"')
                quoted += '\\';
            quoted += c;
        }
        if (indent + name.size() + quoted.size() + 3 <= FoldWidth)
            return std::string(ParameterIndent) + std::string(name) + "=\"" + quoted + "\"";
    }
    // RFC 2231: percent-encoded UTF-8, in pieces that never split a %XX and keep each line
    // ("name*12*=" and the charset on the first) within the fold width.
    const std::string charsetPrefix = std::string(HeaderCharset) + "''";
    const std::size_t room = FoldWidth - indent - name.size() - 5 - charsetPrefix.size();
    std::vector<std::string> pieces(1);
    for (const char c : value) {
        std::string token;
        if (isAttributeChar(c))
            token = c;
        else
            appendHex(token, '%', static_cast<unsigned char>(c));
        if (pieces.back().size() + token.size() > room)
            pieces.emplace_back();
        pieces.back() += token;
    }
    if (pieces.size() == 1)
        return std::string(ParameterIndent) + std::string(name) + "*=" + charsetPrefix + pieces.front();
    std::string out;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (i > 0)
            out += ';';
        out += std::string(ParameterIndent) + std::string(name) + "*" + std::to_string(i) +
               "*=" + (i == 0 ? charsetPrefix : std::string()) + pieces[i];
    }
    return out;
}

bool linesFit7bit(const std::vector<std::string>& lines, std::string_view boundary) {
    const std::string delimiter = "--" + std::string(boundary);
    return std::ranges::all_of(lines, [&](const std::string& line) {
        return line.size() <= MaxTextLine && (boundary.empty() || !line.starts_with(delimiter)) &&
               std::all_of(line.begin(), line.end(), [](char c) { return c == '\t' || isPrintableAscii(c); });
    });
}

std::string quotedPrintable(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& line : lines) {
        std::string encoded;
        for (std::size_t i = 0; i < line.size(); ++i) {
            const char c = line[i];
            std::string token;
            const bool literal = (c >= 33 && c <= 126 && c != '=') || (isBlank(c) && i + 1 < line.size());
            if (literal)
                token = c;
            else
                appendHex(token, '=', static_cast<unsigned char>(c));
            if (encoded.size() + token.size() > QpLineWidth - 1) {
                out += encoded + "=\r\n";
                encoded.clear();
            }
            encoded += token;
        }
        out += encoded + "\r\n";
    }
    return out;
}

std::string formatMailDate(const std::tm& local, long offsetSeconds) {
    static constexpr std::array<const char*, 7> Days{"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static constexpr std::array<const char*, 12> Months{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const long minutes = (offsetSeconds < 0 ? -offsetSeconds : offsetSeconds) / 60;
    char text[64];
    std::snprintf(text, sizeof text, "%s, %d %s %d %02d:%02d:%02d %c%02ld%02ld",
                  Days[static_cast<std::size_t>(local.tm_wday % 7)], local.tm_mday,
                  Months[static_cast<std::size_t>(local.tm_mon % 12)], local.tm_year + 1900, local.tm_hour,
                  local.tm_min, local.tm_sec, offsetSeconds < 0 ? '-' : '+', minutes / 60, minutes % 60);
    return text;
}

std::string formatMailDate(std::time_t when) {
    std::tm local{};
    localtime_r(&when, &local);
    return formatMailDate(local, local.tm_gmtoff);
}

} // namespace quorvel
