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
    m_file.edit([&](IniDocument& doc) {
        grid = m_grid;
        int before = m_count;
        // Another program on the same data folder (the command line) has appended since this log
        // was read or written: continue after its entries rather than write over them.
        if (doc.readInteger(CommonSection, TotalKey, 0) != m_fileTotal)
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
    });

    if (compact) {
        // What reloading the compacted file would show: the five newest rows, nothing else.
        std::vector<LogRow> kept(grid.begin(), grid.begin() + KeptOnCompaction + 1);
        emptyDataRows(grid);
        std::copy(kept.begin(), kept.end(), grid.begin());
    }
    m_grid = std::move(grid);
    m_count = compact ? KeptOnCompaction : count;
    m_fileTotal = m_count;
    notify();
}

int OperationLog::loadInto(const IniDocument& doc, std::vector<LogRow>& grid) const {
    // A negative total, which only a damaged file can hold, is an empty log.
    int count = std::max(0, doc.readInteger(CommonSection, TotalKey, 0));
    if (count > m_limit)
        count = m_limit - 1;
    emptyDataRows(grid);
    for (int n = count; n >= 1; --n)
        grid[static_cast<size_t>(count - n + 1)] = readEntry(doc, n);
    return count;
}

void OperationLog::LoadLog() {
    const IniDocument doc = m_file.read();
    std::vector<LogRow> grid = m_grid;
    const int count = loadInto(doc, grid);
    m_grid = std::move(grid);
    m_count = count;
    m_fileTotal = doc.readInteger(CommonSection, TotalKey, 0);
    notify();
}

void OperationLog::ClearLogGrid() {
    emptyDataRows(m_grid);
    notify();
}

void OperationLog::Clear() {
    m_file.writeInteger(CommonSection, TotalKey, 0);
    m_count = 0;
    m_fileTotal = 0;
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

} // namespace quorvel
