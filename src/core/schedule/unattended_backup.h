#pragma once

#include "core/backup/backup_runner.h"
#include "core/ini/ini_document.h"

#include <optional>
#include <string>
#include <vector>

namespace quorvel {

// What a backup that nobody watches works with.
struct UnattendedContext {
    DataFiles data;
    const Clock& clock;
    const DiskInfo& disks;
    // The settings of a program that holds them in memory (the desktop program writes them to
    // project.ini only when it closes); without them, project.ini's.
    std::optional<AppSettings> settings = std::nullopt;
};

// Backs up the project as project.ini holds it (`projectIni`, the project named as the list
// spells it), as Create Backup would after loading it, but without the question before the run.
// Everything the run says goes to `prompts`; its log entries to `log`.
BackupOutcome runProjectUnattended(const UnattendedContext& context, const IniDocument& projectIni,
                                   const std::string& project, UserPrompts& prompts, RunProgress& progress,
                                   OperationLog& log);

// How a run that nobody watches talks: every question takes its safe answer (No, Cancel) at once
// and is passed on as a message that says so, and error boxes become self-closing messages, so
// nothing ever waits for a click. The questions are kept for the report.
class UnattendedPrompts final : public UserPrompts {
public:
    explicit UnattendedPrompts(UserPrompts& reporter) : m_reporter(reporter) {}

    bool askYesNo(const std::string& text, MessageKind kind) override;
    bool askOkCancel(const std::string& text, MessageKind kind) override;
    void showMessage(const std::string& text, MessageKind kind) override;
    void showTimedMessage(const std::string& text, MessageKind kind, int seconds) override;

    // Each question asked, with the answer taken: "text" -> "No".
    const std::vector<std::pair<std::string, std::string>>& unanswered() const { return m_unanswered; }

private:
    bool decline(const std::string& text, const std::string& answer);

    UserPrompts& m_reporter;
    std::vector<std::pair<std::string, std::string>> m_unanswered;
};

} // namespace quorvel
