#include "core/project/backup_file_name.h"

#include "core/util/strings.h"

#include <cstdio>

namespace quorvel {

std::string formatDateSuffix(const DateTime& when) {
    char text[32];
    std::snprintf(text, sizeof text, "%02d-%02d_%02dh%02dm%02ds", when.month, when.day, when.hour, when.minute,
                  when.second);
    return text;
}

std::string formatNumberSuffix(int number, bool appendZero, int width) {
    std::string digits = std::to_string(number);
    if (appendZero && width > 0 && digits.size() < static_cast<size_t>(width))
        digits.insert(0, static_cast<size_t>(width) - digits.size(), '0');
    return digits;
}

std::string composeBackupFileName(std::string_view savePath, std::string_view prefix, SuffixMode suffix, int nextNumber,
                                  bool appendZero, int width, const DateTime& now) {
    std::string name = trim(savePath);
    if (!name.empty() && name.back() != '/')
        name += '/';
    name += trim(prefix);
    if (suffix == SuffixMode::Date)
        name += formatDateSuffix(now);
    else if (suffix == SuffixMode::Number)
        name += formatNumberSuffix(nextNumber, appendZero, width);
    return name + ".zip";
}

} // namespace quorvel
