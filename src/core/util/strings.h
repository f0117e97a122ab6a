#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel {

// Blanks are every character up to and including the space, as user-typed fields treat them.
std::string trim(std::string_view text);
std::string trimLeft(std::string_view text);
std::string trimRight(std::string_view text);

// ASCII-only case mapping: names, keys and masks compare without regard to ASCII case;
// bytes of UTF-8 sequences are left as they are.
std::string toLowerAscii(std::string_view text);
std::string toUpperAscii(std::string_view text);
bool equalsIgnoreCase(std::string_view a, std::string_view b);
bool startsWithIgnoreCase(std::string_view text, std::string_view prefix);

// Decimal integer text: optional blanks, optional sign, digits, optional trailing blanks.
// Anything else, or a value outside the int range, gives nullopt.
std::optional<int> parseInt(std::string_view text);
int parseIntOr(std::string_view text, int fallback);

std::vector<std::string> split(std::string_view text, char separator);
std::string join(const std::vector<std::string>& parts, std::string_view separator);

// The lines of a message as a display takes them. The core joins the lines of its messages with
// "\r", as its stored texts always have (log.txt turns any line break into a blank), and a
// server's reply lines end with "\r\n"; each of these becomes one "\n" here.
std::string lineBreaksAsNewlines(std::string_view text);

} // namespace quorvel
