#include "core/backup/failure_report_step.h"

#include "core/backup/watched_work.h"
#include "core/ini/ini_file.h"
#include "core/mail/failure_report.h"
#include "core/net/cancel_token.h"
#include "core/project/project_store.h"
#include "core/util/strings.h"
#include "core/zip/zip_errors.h"

namespace quorvel {

std::optional<std::string> sendFailureReportAfterRun(const AfterRunContext& run) {
    if (!deservesFailureReport(run.outcome))
        return std::nullopt;
    const std::string recipients =
        trim(IniFile(run.data.projectIni()).read().readString(CommonSection, "Failure Report To"));
    if (recipients.empty())
        return std::nullopt;
    try {
        run.progress.processMessages();
    } catch (const EUserCanceled&) {
        return std::nullopt;
    }
    const std::string logLine = run.runLog ? (*run.runLog)[LogColumnInformation] : std::string();
    const auto cancel = std::make_shared<CancelToken>();
    std::optional<std::string> sent;
    runWatched(run.progress, cancel, [&] {
        sent = mailFailureReport(run.data, recipients, run.project.name, run.outcome, logLine, run.clock,
                                 DefaultNetTimeout, cancel);
    });
    return sent;
}

} // namespace quorvel
