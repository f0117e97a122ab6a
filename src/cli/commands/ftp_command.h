#pragma once

#include "cli/cli_command.h"

#include <filesystem>
#include <string>
#include <vector>

namespace quorvel {
class TFtpClient;
}

namespace quorvel::cli {

// Works on the server of an FTP site: list, upload, download, create folders, delete, rename.
class FtpCommand final : public CliCommand {
public:
    std::string name() const override { return "ftp"; }
    std::string usage() const override;
    int run(CliContext& context) override;

private:
    int list(CliContext& context, TFtpClient& client, const std::vector<std::string>& args);
    int put(CliContext& context, TFtpClient& client, const std::vector<std::string>& files, const std::string& folder);
    int get(CliContext& context, TFtpClient& client, const std::vector<std::string>& names,
            const std::filesystem::path& folder);
    int simple(CliContext& context, TFtpClient& client, const std::string& verb, const std::vector<std::string>& args);
};

} // namespace quorvel::cli
