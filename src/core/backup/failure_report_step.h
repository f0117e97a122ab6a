#pragma once

#include "core/backup/after_run.h"

#include <optional>
#include <string>

namespace quorvel {

// The failure report, an after-run action: a run that failed, was interrupted or left something
// out is mailed, through the email account, to the preferences' "Failure Report To" as the data
// folder holds it now (so runs of the command line and the scheduler mail too). Nothing happens
// when nobody is named, and nothing for a run its user or the system stopped from this program:
// whoever stopped it knows, and a stop means the work should end. Returns what the "Succeeds"
// entry says; raises with the reason the mail was not sent.
std::optional<std::string> sendFailureReportAfterRun(const AfterRunContext& run);

} // namespace quorvel
