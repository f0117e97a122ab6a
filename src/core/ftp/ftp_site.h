#pragma once

#include "core/util/errors.h"

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel {

class IniDocument;
class TFtpClient;

// One FTP site of account.ini: what is needed to log in to one server.
struct FtpSite {
    std::string label;
    std::string host;
    std::string user;
    std::string password;
    std::string port = "21"; // as typed; see portNumber()
    bool normalLogin = true;
    bool anonymousLogin = false; // logs in as "anonymous" with the stored password
    bool passive = false;
    bool useTls = false;     // explicit FTPS: "AUTH TLS" before the login, data protected too
    std::string fingerprint; // SHA-256 of the server certificate to accept; empty: the system's trust store
    int timeoutSeconds = 60; // every network wait of the site; values below 1 mean 60

    // The port as a number; 21 when the text is not a valid port.
    int portNumber() const;
    int timeoutMs() const;
};

// The label rule broken by a site being saved.
class SiteLabelError : public Error {
public:
    explicit SiteLabelError(const std::string& message) : Error(ErrorKind::Refused, message) {}
};

// The FTP sites in account.ini. Section "Common" lists the labels ("Account Count", "Account" +
// index); each site has a section named by its label. Every change is one atomic replacement of
// the file (created with mode 0600, as it holds passwords); other sections — the email
// account's "Email Account" among them — are left exactly as they are, so the email side
// shares the file through its own IniFile calls. Nothing is cached between calls.
class FtpSiteStore {
public:
    explicit FtpSiteStore(std::filesystem::path accountIni);

    // The labels in list order, empty entries left out.
    std::vector<std::string> labels() const;
    // The site of a label as stored (the label's section; defaults where keys are missing).
    FtpSite load(std::string_view label) const;
    // The site whose listed label equals `label` without regard to case.
    std::optional<FtpSite> find(std::string_view label) const;

    // Saves a new site at the end of the list. Raises SiteLabelError: "Lable for site cannot be
    // blank or repeation" for an empty label or one already listed (letter case ignored), and a
    // refusal of the labels "Common" and "Email Account", whose sections hold other things.
    void addSite(FtpSite site);
    // Replaces the site at `index` of labels(), possibly under a new label (its old section is
    // erased; it keeps its place). The same label rules, the site's own label excepted.
    void replaceSite(std::size_t index, FtpSite site);
    // Removes the site at `index` of labels() with its section.
    void removeSite(std::size_t index);

    static void writeSite(IniDocument& doc, const FtpSite& site);
    static FtpSite readSite(const IniDocument& doc, std::string_view label);

private:
    void checkLabel(const std::string& label, const std::vector<std::string>& labels,
                    std::optional<std::size_t> ownIndex) const;

    std::filesystem::path m_path;
};

// Sets the client's host, port, login, passive mode, TLS and time-outs from a site.
void configureClient(TFtpClient& client, const FtpSite& site);

} // namespace quorvel
