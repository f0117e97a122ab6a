#pragma once

#include "core/ini/ini_file.h"
#include "core/util/date_time.h"

#include <filesystem>
#include <optional>
#include <string_view>

namespace quorvel {

// schedule.ini in the data folder: one section per project, named like its section in
// project.ini, whose "Last Served" holds the scheduled occurrence that was last run
// ("yyyy-mm-dd HH:mm:ss"). It lets a restart of the program, or a save that rebuilds the
// schedule, tell an occurrence that already ran from one that was missed.
class ServedRecords {
public:
    explicit ServedRecords(std::filesystem::path file) : m_ini(std::move(file)) {}

    IniDocument read() const { return m_ini.read(); }
    static std::optional<DateTime> lastServed(const IniDocument& doc, std::string_view project);
    void record(std::string_view project, const DateTime& occurrence);
    // The record of project `from` under the name `to` (a renamed project keeps its rhythm). The
    // target section is replaced whole, and only erased when `from` has no record, so a project
    // never inherits the record of an earlier project of its name.
    void copy(std::string_view from, std::string_view to);
    // Removes the project's record: a new project of that name starts without one.
    void erase(std::string_view project);

private:
    IniFile m_ini;
};

} // namespace quorvel
