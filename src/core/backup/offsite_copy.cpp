#include "core/backup/offsite_copy.h"

#include "core/backup/watched_work.h"

#include "core/ftp/ftp_site.h"
#include "core/ftp/ftp_site_upload.h"
#include "core/net/cancel_token.h"
#include "core/util/percent.h"
#include "core/util/strings.h"
#include "core/zip/zip_errors.h"

#include <algorithm>
#include <atomic>
#include <filesystem>

namespace quorvel {

namespace {

void uploadWatched(const FtpSite& site, const std::string& archive, const std::string& folder, RunProgress& progress) {
    std::atomic<std::uint64_t> sent{0};
    std::atomic<std::uint64_t> total{0};
    SiteUploadHooks hooks;
    hooks.cancel = std::make_shared<CancelToken>();
    hooks.progress = [&sent, &total](std::int64_t count, std::int64_t size) {
        total = static_cast<std::uint64_t>(std::max<std::int64_t>(size, 0));
        sent = static_cast<std::uint64_t>(std::max<std::int64_t>(count, 0));
    };
    int shown = 0;
    runWatched(
        progress, hooks.cancel, [&site, &archive, &folder, &hooks] { uploadFileToSite(site, archive, folder, hooks); },
        [&] {
            if (const int percent = percentOf(sent, total); percent != shown) {
                progress.setTotalPercent(percent);
                progress.setFilePercent(percent);
                shown = percent;
            }
        });
}

} // namespace

std::string remotePathIn(const std::string& folder, const std::string& name) {
    if (folder.empty())
        return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

std::optional<std::string> sendOffsiteCopy(const AfterRunContext& run) {
    const std::string label = trim(run.project.ftpSite);
    const BackupStatus status = run.outcome.status;
    if (label.empty() || (status != BackupStatus::Succeeded && status != BackupStatus::Incomplete))
        return std::nullopt;
    const std::string& archive = run.outcome.archivePath;
    const std::string name = std::filesystem::path(archive).filename().string();
    const std::string folder = trim(run.project.ftpFolder);
    const std::string toSite = " to the FTP site '" + label + "'";
    try {
        if (run.outcome.disks > 1)
            throw Error(ErrorKind::Refused,
                        "it spans " + std::to_string(run.outcome.disks) +
                            " removable disks, and only an archive in one file can be copied",
                        archive);
        const std::optional<FtpSite> site = FtpSiteStore(run.data.accountIni()).find(label);
        if (!site)
            throw Error(ErrorKind::NotFound, "the site does not exist in Site Settings any more", label);
        run.progress.processMessages(); // a cancel that came during the summary
        const BusyState busy(run.progress);
        run.progress.showProgressStrip(true);
        run.progress.setProgressFileName("Uploading " + name + toSite + "...");
        uploadWatched(*site, archive, folder, run.progress);
    } catch (const EUserCanceled&) {
        throw EUserCanceled("The copy of " + name + toSite + " was cancelled");
    } catch (const Error& error) {
        throw Error(error.kind(), name + " was not copied" + toSite + ": " + error.what(), archive);
    } catch (const std::exception& error) {
        throw Error(ErrorKind::Incomplete, name + " was not copied" + toSite + ": " + error.what(), archive);
    }
    return name + " copied" + toSite + " as " + remotePathIn(folder, name);
}

} // namespace quorvel
