#pragma once

#include "core/ftp/ftp_site.h"
#include "core/net/net_options.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace quorvel {

class CancelToken;

// What a caller of uploadFileToSite may watch and control. Everything is optional.
struct SiteUploadHooks {
    // Another thread stops the upload with cancel() (or close() to skip the goodbyes).
    std::shared_ptr<CancelToken> cancel;
    // The control connection's bytes (the password shown as "****") and the status texts.
    TrafficHook log;
    StatusHook status;
    std::function<void(std::int64_t sent, std::int64_t total)> progress;
};

// Sends one local file to a site, for an off-site copy of an archive: connects and logs in as
// the site says (TLS, pinned certificate, passive or active, its time-out for every wait),
// enters `remoteFolder` (creating its missing folders; empty: the login folder), uploads the
// file under its own name through "<name>.part" renamed when complete (so the real name never
// holds a truncated archive, and an older file of that name stays until the new one is
// complete), checks the size the server reports, and logs out.
// Raises Error on failure: the server's reply for a refused command or upload, the network or
// file error otherwise, "Transfer aborted." when cancelled. Never leaves a connection open.
void uploadFileToSite(const FtpSite& site, const std::string& localPath, const std::string& remoteFolder,
                      const SiteUploadHooks& hooks = {});

// Changes to a remote folder, creating each missing folder of its path on the way.
class TFtpClient;
void enterFolderCreating(TFtpClient& client, const std::string& folder);

} // namespace quorvel
