#include "core/backup/operation_log.h"

#include <algorithm>

namespace quorvel {

namespace {

constexpr std::string_view CommonSection = "Common";
constexpr std::string_view TotalKey = "Log Total";
// The keys of one entry, in the order of the grid's columns.
constexpr std::array<std::string_view, 5> EntryKeys = {"Date", "Operate", "Status", "Project", "Information"};
const LogRow Captions = {"Date", "Operation", "Status", "Project", "Information"};

std::string entrySection(int number) {
    return "Log" + std::to_string(number);
}

void writeEntry(IniDocument& doc, int number, const LogRow& entry) {
    const std::string section = entrySection(number);
    for (size_t column = 0; column < EntryKeys.size(); ++column)
        doc.writeString(section, EntryKeys[column], entry[column]);
}

LogRow readEntry(const IniDocument& doc, int number) {
    const std::string section = entrySection(number);
    LogRow entry;
    for (size_t column = 0; column < EntryKeys.size(); ++column)
        entry[column] = doc.readString(section, EntryKeys[column]);
    return entry;
}

void emptyDataRows(std::vector<LogRow>& grid) {
    std::fill(grid.begin() + 1, grid.end(), LogRow{});
}

} // namespace

OperationLog::OperationLog(std::filesystem::path file, const Clock& clock, int limit)
    : m_file(std::move(file)), m_clock(clock), m_limit(std::clamp(limit, MinLimit, MaxLimit)) {
    resizeGrid();
}

void OperationLog::AppendLog(std::string_view operation, std::string_view status, std::string_view information,
                             std::string_view project) {
    const LogRow entry = {formatDateTime(m_clock.now()), std::string(operation), std::string(status),
                          std::string(project), std::string(information)};

    // The entry and the compaction it may trigger go to the disk together, so a crash never
    // leaves a count that disagrees with the sections written.
    std::vector<LogRow> grid;
    int count = 0;
    bool compact = false;
    std::string written;
    m_file.edit([&](IniDocument& doc) {
        grid = m_grid;
        int before = m_count;
        // Another program on the same data folder (the command line) has changed the file since
        // this log read or wrote it: continue after its entries rather than write over them. The
        // whole text is compared, as a cleared and refilled log can come back to the same total.
        if (doc.serialize() != m_fileText)
            before = loadInto(doc, grid);
        count = before + 1;
        for (int r = std::min(count, rowCount() - 1); r >= 2; --r)
            grid[static_cast<size_t>(r)] = grid[static_cast<size_t>(r) - 1];
        grid[1] = entry;

        compact = count >= m_limit;
        doc.writeInteger(CommonSection, TotalKey, compact ? KeptOnCompaction : count);
        writeEntry(doc, count, entry);
        if (compact) {
            for (int r = 1; r <= KeptOnCompaction; ++r)
                writeEntry(doc, KeptOnCompaction + 1 - r, grid[static_cast<size_t>(r)]);
        }
        written = doc.serialize();
    });

    if (compact) {
        // What reloading the compacted file would show: the five newest rows, nothing else.
        std::vector<LogRow> kept(grid.begin(), grid.begin() + KeptOnCompaction + 1);
        emptyDataRows(grid);
        std::copy(kept.begin(), kept.end(), grid.begin());
    }
    m_grid = std::move(grid);
    m_count = compact ? KeptOnCompaction : count;
    m_fileText = std::move(written);
    notify();
}

int OperationLog::loadInto(const IniDocument& doc, std::vector<LogRow>& grid) const {
    // A negative total, which only a damaged file can hold, is an empty log.
    const int total = std::max(0, doc.readInteger(CommonSection, TotalKey, 0));
    // A total above the limit (the limit was lowered): the newest entries are the ones kept.
    const int count = total > m_limit ? m_limit - 1 : total;
    emptyDataRows(grid);
    for (int row = 1; row <= count; ++row)
        grid[static_cast<size_t>(row)] = readEntry(doc, total - row + 1);
    return count;
}

bool OperationLog::holdsEntry(std::string_view project, std::string_view status, std::string_view information) const {
    const IniDocument doc = m_file.read();
    const int total = doc.readInteger(CommonSection, TotalKey, 0);
    for (int n = total; n >= 1 && n > total - m_limit; --n) {
        const LogRow entry = readEntry(doc, n);
        if (entry[LogColumnProject] == project && entry[LogColumnStatus] == status &&
            entry[LogColumnInformation].starts_with(information))
            return true;
    }
    return false;
}

void OperationLog::LoadLog() {
    const IniDocument doc = m_file.read();
    std::vector<LogRow> grid = m_grid;
    const int count = loadInto(doc, grid);
    m_grid = std::move(grid);
    m_count = count;
    m_fileText = doc.serialize();
    notify();
}

void OperationLog::ClearLogGrid() {
    emptyDataRows(m_grid);
    notify();
}

void OperationLog::Clear() {
    std::string written;
    m_file.edit([&](IniDocument& doc) {
        doc.writeInteger(CommonSection, TotalKey, 0);
        written = doc.serialize();
    });
    m_count = 0;
    m_fileText = std::move(written);
    ClearLogGrid();
}

void OperationLog::setLimit(int limit) {
    m_limit = std::clamp(limit, MinLimit, MaxLimit);
    resizeGrid();
    notify();
}

void OperationLog::resizeGrid() {
    m_grid.resize(static_cast<size_t>(m_limit) + 1);
    m_grid[0] = Captions;
}

void OperationLog::notify() const {
    if (onChanged)
        onChanged();
}

std::optional<LogRow> entryAppendedSince(const OperationLog& log, const LogRow& newestBefore,
                                         std::string_view operation, std::string_view project) {
    for (int row = 1; row < log.rowCount(); ++row) {
        const LogRow& entry = log.row(row);
        if (entry == newestBefore || entry[LogColumnDate].empty())
            break;
        if (entry[LogColumnOperation] == operation && entry[LogColumnProject] == project)
            return entry;
    }
    return std::nullopt;
}

} // namespace quorvel
