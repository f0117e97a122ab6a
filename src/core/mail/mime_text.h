#pragma once

#include "core/mail/mail_address.h"

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel {

// The letter of RFC 2047 encoded words: base64 ("B") suits text that is mostly not ASCII,
// quoted-printable ("Q") text that mostly is.
enum class WordEncoding { B, Q };

// The header text of the program is UTF-8; encoded words name it so.
inline constexpr std::string_view HeaderCharset = "UTF-8";
// Header lines are folded to this width where they can be.
inline constexpr std::size_t FoldWidth = 78;
// Bytes of a file per line of base64 (76 characters).
inline constexpr std::size_t Base64LineBytes = 57;

// B for Chinese, Japanese and Korean user interfaces (from a locale name such as "ja_JP.UTF-8"),
// Q for every other language.
WordEncoding wordEncodingForLanguage(std::string_view locale);
// The same for the language this process runs in (LC_ALL, LC_CTYPE, LANG).
WordEncoding systemWordEncoding();

// Base64 of the RFC 2045 alphabet on one line, the last group completed with "=".
std::string base64(std::string_view bytes);
// Bytes of `size` bytes of a file in base64 lines of 76 characters, each with CR LF.
std::uint64_t base64LinesSize(std::uint64_t size);
// Appends base64 lines with CR LF for `bytes`; every line but the last of the whole file holds
// Base64LineBytes bytes, so callers pass blocks of a multiple of it.
void appendBase64Lines(std::string& out, std::string_view bytes);

// Unstructured header text (a subject): words that need it become encoded words, runs of them
// one or more encoded words of at most 75 characters, which never split a UTF-8 character.
// A word needs encoding when it holds a control character, DEL or a byte above 127, is longer
// than fits on a folded line, or looks like an encoded word itself; in a display name
// (`phrase`) also when it holds one of the RFC 5322 specials.
std::string encodeHeaderText(std::string_view text, WordEncoding encoding, bool phrase = false);

// The mailbox as the headers show it: the bare address without a name; a plain ASCII name in
// quotes (a backslash before each backslash and quote); any other name in encoded words.
std::string formatMailbox(const TEmailAddressItem& mailbox, WordEncoding encoding);
std::string formatMailboxes(const TEmailAddressList& list, WordEncoding encoding);

// "Name: value" with CR LF, broken before blanks outside quotes so that its lines stay within
// FoldWidth where such a break exists; continuation lines start with the blank.
std::string foldHeader(std::string_view name, std::string_view value);

// A MIME parameter as it follows a header's ";": on a line of its own, 8 blanks, then
// name="value" for short printable ASCII values, or the RFC 2231 form (name*=UTF-8''%XX…,
// continued as name*0*=, name*1*= … for long values) for anything else, so that a name holding
// letters outside ASCII or even a line break is carried safely.
std::string mimeParameter(std::string_view name, std::string_view value);

// Whether text lines can go as they are (7bit): ASCII without control characters other than TAB,
// lines of at most 998 characters, and no line that could be taken for the MIME boundary.
bool linesFit7bit(const std::vector<std::string>& lines, std::string_view boundary);
// Quoted-printable (RFC 2045) of text lines, each ended by CR LF, encoded lines within 76.
std::string quotedPrintable(const std::vector<std::string>& lines);

// "Tue, 5 Mar 2024 14:03:09 +0100": English weekday and month, the local time and its offset.
std::string formatMailDate(std::time_t when);
std::string formatMailDate(const std::tm& local, long offsetSeconds);

} // namespace quorvel
