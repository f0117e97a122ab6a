#pragma once

#include "core/ini/ini_file.h"
#include "core/util/clock.h"

#include <array>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel {

// Operations and outcomes as they are written to log.txt and shown on the Log page.
inline constexpr std::string_view OperationBackup = "Backup";
inline constexpr std::string_view OperationRestore = "Restore";
inline constexpr std::string_view OperationFtp = "FTP"; // the off-site copy after a backup run
inline constexpr std::string_view StatusSucceeds = "Succeeds";
inline constexpr std::string_view StatusFails = "Fails";
inline constexpr std::string_view StatusInterrupt = "Interrupt";

// One row of the log grid: date, operation, status, project, information.
using LogRow = std::array<std::string, 5>;

enum LogColumn { LogColumnDate = 0, LogColumnOperation, LogColumnStatus, LogColumnProject, LogColumnInformation };

// log.txt and the grid the Log page shows. The file keeps the entries as sections "Log1"
// (oldest) to "Log" + "Log Total" (newest); the grid keeps the captions in row 0 and the
// newest entries from row 1 on, one row per entry up to the log limit. Reaching the limit
// cuts the file back to its five newest entries, so it never grows without bound.
class OperationLog {
public:
    static constexpr int MinLimit = 10;
    static constexpr int MaxLimit = 200;
    static constexpr int DefaultLimit = 50;
    static constexpr int KeptOnCompaction = 5;

    OperationLog(std::filesystem::path file, const Clock& clock, int limit = DefaultLimit);

    // Appends one entry stamped with the clock's time; all its keys reach the file in one
    // atomic write. On a write error (IoError) neither the file nor the grid has changed. When
    // another program has changed the file in any way since this log last read or wrote it, the
    // log is loaded again first, so the entries that program appended are kept.
    void AppendLog(std::string_view operation, std::string_view status, std::string_view information,
                   std::string_view project);
    // Whether the file holds an entry of the project with that status whose information begins
    // with `information`; reads the file, not the grid.
    bool holdsEntry(std::string_view project, std::string_view status, std::string_view information) const;
    // Fills the grid from the file; a missing file is an empty log. Of a total above the limit
    // the newest limit − 1 entries are shown.
    void LoadLog();
    // Empties every data row of the grid; the file and the count are left alone.
    void ClearLogGrid();
    // "Clear all log": the count becomes 0 in memory and on disk and the grid is emptied. The old
    // sections stay in the file, unread, until new entries overwrite them.
    void Clear();

    int limit() const { return m_limit; }
    // Takes the limit within MinLimit..MaxLimit. The grid keeps its newest rows; the file and the
    // count are not touched, so a lowered limit compacts at the next append.
    void setLimit(int limit);

    int count() const { return m_count; }
    // limit() + 1 rows: the captions and one row per possible entry.
    int rowCount() const { return static_cast<int>(m_grid.size()); }
    const LogRow& row(int index) const { return m_grid.at(static_cast<size_t>(index)); }

    const std::filesystem::path& path() const { return m_file.path(); }

    // Called after every change of the grid, so a view can follow appends made by any caller.
    std::function<void()> onChanged;

private:
    void resizeGrid();
    void notify() const;
    // Fills the data rows of `grid` from the file's text as loading does; returns the count.
    int loadInto(const IniDocument& doc, std::vector<LogRow>& grid) const;

    IniFile m_file;
    const Clock& m_clock;
    int m_limit;
    int m_count = 0;
    std::string m_fileText; // the file as this log last read or wrote it
    std::vector<LogRow> m_grid;
};

// The newest entry of the project's `operation` among those appended since row 1 of the grid was
// `newestBefore`: what a run logged, even when other entries (an off-site copy, a report) follow
// it. Nothing when the run logged no such entry.
std::optional<LogRow> entryAppendedSince(const OperationLog& log, const LogRow& newestBefore,
                                         std::string_view operation, std::string_view project);

} // namespace quorvel
