#pragma once

#include "core/project/backup_project.h"
#include "core/util/date_time.h"

#include <string>
#include <string_view>

namespace quorvel {

// The date-time suffix: month-day_hour"h"minute"m"second"s", e.g. 12-07_23h16m06s (no year).
std::string formatDateSuffix(const DateTime& when);

// The decimal number, padded on the left with "0" up to `width` digits when `appendZero` is on.
std::string formatNumberSuffix(int number, bool appendZero, int width);

// The archive path of a run: the trimmed save path with a "/" added when it lacks one (an
// empty save path stays empty), the trimmed prefix, the suffix of the mode, and ".zip".
std::string composeBackupFileName(std::string_view savePath, std::string_view prefix, SuffixMode suffix, int nextNumber,
                                  bool appendZero, int width, const DateTime& now);

} // namespace quorvel
