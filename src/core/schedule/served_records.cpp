#include "core/schedule/served_records.h"

namespace quorvel {

namespace {
constexpr std::string_view LastServedKey = "Last Served";
}

std::optional<DateTime> ServedRecords::lastServed(const IniDocument& doc, std::string_view project) {
    const std::optional<std::string> text = doc.value(project, LastServedKey);
    return text ? parseDateTime(*text) : std::nullopt;
}

void ServedRecords::record(std::string_view project, const DateTime& occurrence) {
    m_ini.writeString(project, LastServedKey, formatDateTime(occurrence));
}

void ServedRecords::copy(std::string_view from, std::string_view to) {
    m_ini.edit([&](IniDocument& doc) {
        const std::optional<std::string> served = doc.value(from, LastServedKey);
        doc.removeSection(to);
        if (served)
            doc.writeString(to, LastServedKey, *served);
    });
}

void ServedRecords::erase(std::string_view project) {
    m_ini.edit([&](IniDocument& doc) { doc.removeSection(project); });
}

} // namespace quorvel
