#include "cli/commands/run_command.h"

#include "cli/cli_app.h"
#include "core/backup/backup_runner.h"
#include "core/project/app_settings.h"
#include "core/project/project_names.h"
#include "core/project/project_store.h"

#include <algorithm>

namespace quorvel::cli {

namespace {

// Lines of a message are joined by carriage returns, which a terminal would print over
// each other.
std::string consoleText(std::string text) {
    std::replace(text.begin(), text.end(), '\r', '\n');
    return text;
}

// Nobody is there to answer: every question takes its safe answer (No, Cancel), and says so.
class ConsolePrompts final : public UserPrompts {
public:
    ConsolePrompts(std::ostream& out, std::ostream& err) : m_out(out), m_err(err) {}

    bool askYesNo(const std::string& text, MessageKind) override { return declined(text, "No"); }
    bool askOkCancel(const std::string& text, MessageKind) override { return declined(text, "Cancel"); }
    void showMessage(const std::string& text, MessageKind kind) override {
        (kind == MessageKind::Error ? m_err : m_out) << consoleText(text) << "\n";
    }
    void showTimedMessage(const std::string& text, MessageKind, int) override { m_out << consoleText(text) << "\n"; }

private:
    bool declined(const std::string& text, const char* answer) {
        m_out << consoleText(text) << " -> " << answer << "\n";
        return false;
    }

    std::ostream& m_out;
    std::ostream& m_err;
};

} // namespace

std::string RunCommand::usage() const {
    return "run PROJECT           back up the project as Create Backup does (log, retention and\n"
           "                      project.ini included); exit 0 when it succeeded, 1 otherwise";
}

int RunCommand::run(CliContext& context) {
    if (context.args.size() != 1) {
        context.err << usageText();
        return ExitUsage;
    }
    SystemClock clock;
    ProjectStore store(context.data.projectIni(), clock);
    const IniDocument doc = store.file().read();
    const std::vector<std::string> projects = ProjectStore::readProjectList(doc);
    const int index = findProjectName(projects, context.args[0]);
    if (index < 0) {
        context.err << "Project '" << context.args[0] << "' does not exist\n";
        return ExitFailure;
    }

    AppSettings settings = loadSettingsAndProjects(doc).settings;
    settings.promptBeforeBackup = false;
    BackupControls controls;
    controls.project = ProjectStore::fromDocument(doc, projects[static_cast<size_t>(index)], clock);
    controls.fileNameField = previewFileName(controls.project, settings, clock);

    OperationLog log(context.data.logFile(), clock, settings.logCount);
    log.LoadLog();
    SystemDiskInfo disks;
    ConsolePrompts prompts(context.out, context.err);
    BackupProgress quiet;
    const BackupOutcome outcome = BackupRunner(context.data, log, clock, disks).run(controls, settings, prompts, quiet);
    return outcome.status == BackupStatus::Succeeded ? ExitOk : ExitFailure;
}

} // namespace quorvel::cli
