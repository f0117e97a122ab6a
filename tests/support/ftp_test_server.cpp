#include "support/ftp_test_server.h"

namespace quorvel::test {

FtpTestServer::FtpTestServer(std::filesystem::path root, FtpServerOptions options) : m_options(std::move(options)) {
    std::vector<std::string> args{"--root", root.string(), "--user", m_options.user, "--password", m_options.password};
    if (m_options.anonymous)
        args.push_back("--anonymous");
    if (m_options.throttle > 0)
        args.insert(args.end(), {"--throttle", std::to_string(m_options.throttle)});
    m_server = std::make_unique<PythonServer>("ftp_server.py", std::move(args), m_options.tls,
                                              "the FTP server (is python3-pyftpdlib installed?)");
}

FtpSite addTestServerSite(const std::filesystem::path& accountIni, const std::string& label, int port,
                          int timeoutSeconds) {
    const FtpServerOptions defaults;
    FtpSite site;
    site.label = label;
    site.host = "127.0.0.1";
    site.port = std::to_string(port);
    site.user = defaults.user;
    site.password = defaults.password;
    site.passive = true;
    site.timeoutSeconds = timeoutSeconds;
    FtpSiteStore(accountIni).addSite(site);
    return site;
}

} // namespace quorvel::test
