#pragma once

#include "core/ini/ini_file.h"

#include <string>
#include <string_view>
#include <vector>

namespace quorvel {

// The file masks the user keeps for every project ("Wildcard Total" and "Wildcard" + index in
// section "Common" of project.ini), in list order.
std::vector<std::string> readWildcardLibrary(const IniDocument& projectIni);
std::vector<std::string> loadWildcardLibrary(const IniFile& projectIni);
// Writes the total and every mask under its index; keys of a longer earlier list stay unread.
void saveWildcardLibrary(IniFile& projectIni, const std::vector<std::string>& masks);

// Appends the trimmed mask unless it is blank or the list holds it already (case ignored).
// Returns whether it was added.
bool addWildcard(std::vector<std::string>& masks, std::string_view typed);
// Removes every mask equal to the trimmed text (case ignored); returns whether one was there.
bool removeWildcard(std::vector<std::string>& masks, std::string_view typed);

} // namespace quorvel
