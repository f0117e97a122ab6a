#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quorvel {

// Project names are used trimmed and compare without regard to case.
bool sameProjectName(std::string_view a, std::string_view b);

// The order of the project selector: alphabetical without regard to case.
bool projectNameLess(std::string_view a, std::string_view b);
void sortProjectNames(std::vector<std::string>& names);

// Index of the name in the list (case ignored), or -1.
int findProjectName(const std::vector<std::string>& names, std::string_view name);

} // namespace quorvel
