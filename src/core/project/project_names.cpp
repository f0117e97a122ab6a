#include "core/project/project_names.h"

#include "core/util/strings.h"

#include <algorithm>

namespace quorvel {

bool sameProjectName(std::string_view a, std::string_view b) {
    return equalsIgnoreCase(trim(a), trim(b));
}

bool projectNameLess(std::string_view a, std::string_view b) {
    std::string la = toLowerAscii(a), lb = toLowerAscii(b);
    if (la != lb)
        return la < lb;
    return a < b;
}

void sortProjectNames(std::vector<std::string>& names) {
    std::stable_sort(names.begin(), names.end(),
                     [](const std::string& a, const std::string& b) { return projectNameLess(a, b); });
}

int findProjectName(const std::vector<std::string>& names, std::string_view name) {
    for (size_t i = 0; i < names.size(); ++i)
        if (sameProjectName(names[i], name))
            return static_cast<int>(i);
    return -1;
}

} // namespace quorvel
