#include "core/ftp/ftp_site_upload.h"

#include "core/ftp/ftp_client.h"
#include "core/net/cancel_token.h"
#include "core/util/strings.h"

#include <filesystem>

namespace quorvel {

void enterFolderCreating(TFtpClient& client, const std::string& folder) {
    try {
        client.ChangeFolder(folder);
        return;
    } catch (const ProtocolError&) {
    }
    if (folder.starts_with('/'))
        client.ChangeFolder("/");
    for (const std::string& part : split(folder, '/')) {
        if (part.empty())
            continue;
        try {
            client.ChangeFolder(part);
        } catch (const ProtocolError&) {
            client.CreateFolder(part);
            client.ChangeFolder(part);
        }
    }
}

void uploadFileToSite(const FtpSite& site, const std::string& localPath, const std::string& remoteFolder,
                      const SiteUploadHooks& hooks) {
    TFtpClient client;
    configureClient(client, site);
    if (hooks.cancel)
        client.setCancelToken(hooks.cancel);
    client.Intercept = hooks.log;
    client.OnStatus = hooks.status;
    std::int64_t total = 0;
    client.OnWorkBegin = [&total](TWorkMode, std::int64_t size) { total = size; };
    if (hooks.progress)
        client.OnWork = [&](TWorkMode, std::int64_t count) { hooks.progress(count, total); };
    const std::string name = std::filesystem::path(localPath).filename().string();
    client.ConnectAndLogin(true);
    try {
        if (!trim(remoteFolder).empty())
            enterFolderCreating(client, trim(remoteFolder));
        client.setTransferType(ftBinary);
        client.UploadFile(localPath, name, false);
    } catch (...) {
        if (!client.cancelToken().closing())
            client.Logout();
        throw;
    }
    client.Logout();
}

} // namespace quorvel
