#pragma once

#include "core/backup/after_run.h"

#include <optional>
#include <string>

namespace quorvel {

// The off-site copy, an after-run action: when the project names an FTP site ("FTP Site") and the
// run left a complete archive under its final name (succeeded, or incomplete because items to back
// up were missing: that archive is kept and holds everything that exists), the archive is uploaded
// to the site's "FTP Folder" through a temporary name, with the site's login, TLS and time-outs.
// The progress strip shows the upload; the progress's cancel stops it. An archive spread over
// several removable disks is not sent (the earlier disks are out of reach). Returns what the
// "Succeeds" entry says, with the remote path; raises with the server's reply or the reason.
// Copies on the server are never deleted: retention there is the server's business.
std::optional<std::string> sendOffsiteCopy(const AfterRunContext& run);

// Where a file named `name` lands in `folder` of a site (empty: the login folder).
std::string remotePathIn(const std::string& folder, const std::string& name);

} // namespace quorvel
