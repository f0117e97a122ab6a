#include "core/ftp/ftp_site.h"

#include "core/ftp/ftp_client.h"
#include "core/ini/ini_file.h"
#include "core/ini/ini_password_codec.h"
#include "core/project/project_store.h"
#include "core/util/strings.h"

#include <algorithm>

namespace quorvel {

namespace {

constexpr std::string_view CountKey = "Account Count";
constexpr std::string_view ItemPrefix = "Account";
constexpr std::string_view EmailSection = "Email Account";
constexpr int DefaultTimeoutSeconds = 60;
constexpr int MaxTimeoutSeconds = 24 * 3600;

// "Account" + index, as the index; nullopt for other keys.
std::optional<std::size_t> listIndexOf(std::string_view key) {
    if (!startsWithIgnoreCase(key, ItemPrefix) || key.size() == ItemPrefix.size() || key.size() > ItemPrefix.size() + 9)
        return std::nullopt;
    const std::string_view digits = key.substr(ItemPrefix.size());
    if (digits.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    return static_cast<std::size_t>(std::stoul(std::string(digits)));
}

// The list from index 0 without gaps; entries past its end would never be read again and go.
void writeLabelList(IniDocument& doc, const std::vector<std::string>& labels) {
    for (const std::string& key : doc.keys(CommonSection)) {
        const std::optional<std::size_t> index = listIndexOf(key);
        if (index && *index >= labels.size())
            doc.removeKey(CommonSection, key);
    }
    doc.writeInteger(CommonSection, CountKey, static_cast<int>(labels.size()));
    for (std::size_t i = 0; i < labels.size(); ++i)
        doc.writeString(CommonSection, std::string(ItemPrefix) + std::to_string(i), labels[i]);
}

} // namespace

int FtpSite::portNumber() const {
    const std::optional<int> number = parseInt(port);
    return number && *number >= 1 && *number <= 65535 ? *number : 21;
}

int FtpSite::timeoutMs() const {
    const int seconds = timeoutSeconds >= 1 ? std::min(timeoutSeconds, MaxTimeoutSeconds) : DefaultTimeoutSeconds;
    return seconds * 1000;
}

FtpSiteStore::FtpSiteStore(std::filesystem::path accountIni) : m_path(std::move(accountIni)) {}

std::vector<std::string> FtpSiteStore::labels() const {
    return readIndexedList(IniFile(m_path).read(), CommonSection, CountKey, ItemPrefix);
}

FtpSite FtpSiteStore::readSite(const IniDocument& doc, std::string_view label) {
    FtpSite site;
    site.label = doc.readString(label, "Label");
    site.host = doc.readString(label, "host");
    site.user = doc.readString(label, "user");
    site.password = IniPasswordCodec::decode(doc.readString(label, "password"), label);
    site.port = doc.readString(label, "port");
    site.normalLogin = doc.readBool(label, "yesnormal", true);
    site.anonymousLogin = doc.readBool(label, "yesany", false);
    site.passive = doc.readBool(label, "usepav", false);
    site.useTls = doc.readBool(label, "usetls", false);
    site.fingerprint = doc.readString(label, "fingerprint");
    site.timeoutSeconds = doc.readInteger(label, "timeout", DefaultTimeoutSeconds);
    return site;
}

void FtpSiteStore::writeSite(IniDocument& doc, const FtpSite& site) {
    const std::string label = trim(site.label);
    doc.writeString(label, "Label", label);
    doc.writeString(label, "host", trim(site.host));
    doc.writeString(label, "user", trim(site.user));
    doc.writeString(label, "password", IniPasswordCodec::encode(trim(site.password), label));
    doc.writeString(label, "port", trim(site.port));
    doc.writeBool(label, "yesnormal", site.normalLogin);
    doc.writeBool(label, "yesany", site.anonymousLogin);
    doc.writeBool(label, "usepav", site.passive);
    doc.writeBool(label, "usetls", site.useTls);
    doc.writeString(label, "fingerprint", trim(site.fingerprint));
    doc.writeInteger(label, "timeout", site.timeoutSeconds);
}

FtpSite FtpSiteStore::load(std::string_view label) const {
    return readSite(IniFile(m_path).read(), trim(label));
}

std::optional<FtpSite> FtpSiteStore::find(std::string_view label) const {
    const IniDocument doc = IniFile(m_path).read();
    for (const std::string& listed : readIndexedList(doc, CommonSection, CountKey, ItemPrefix))
        if (equalsIgnoreCase(trim(listed), trim(label)))
            return readSite(doc, trim(listed));
    return std::nullopt;
}

void FtpSiteStore::checkLabel(const std::string& label, const std::vector<std::string>& labels,
                              std::optional<std::size_t> ownIndex) const {
    for (std::size_t i = 0; i < labels.size(); ++i)
        if (i != ownIndex && equalsIgnoreCase(trim(labels[i]), label))
            throw SiteLabelError("Lable for site cannot be blank or repeation");
    if (label.empty())
        throw SiteLabelError("Lable for site cannot be blank or repeation");
    if (equalsIgnoreCase(label, CommonSection) || equalsIgnoreCase(label, EmailSection))
        throw SiteLabelError("'" + label + "' cannot label a site: account.ini keeps other settings under it.");
}

void FtpSiteStore::addSite(FtpSite site) {
    site.label = trim(site.label);
    IniFile(m_path).edit([&](IniDocument& doc) {
        std::vector<std::string> list = readIndexedList(doc, CommonSection, CountKey, ItemPrefix);
        checkLabel(site.label, list, std::nullopt);
        list.push_back(site.label);
        writeLabelList(doc, list);
        writeSite(doc, site);
    });
}

void FtpSiteStore::replaceSite(std::size_t index, FtpSite site) {
    site.label = trim(site.label);
    IniFile(m_path).edit([&](IniDocument& doc) {
        std::vector<std::string> list = readIndexedList(doc, CommonSection, CountKey, ItemPrefix);
        if (index >= list.size())
            throw Error(ErrorKind::NotFound, "The site to change is no longer in the list.");
        checkLabel(site.label, list, index);
        doc.removeSection(trim(list[index]));
        list[index] = site.label;
        writeLabelList(doc, list);
        writeSite(doc, site);
    });
}

void FtpSiteStore::removeSite(std::size_t index) {
    IniFile(m_path).edit([&](IniDocument& doc) {
        std::vector<std::string> list = readIndexedList(doc, CommonSection, CountKey, ItemPrefix);
        if (index >= list.size())
            return;
        doc.removeSection(trim(list[index]));
        list.erase(list.begin() + static_cast<std::ptrdiff_t>(index));
        writeLabelList(doc, list);
    });
}

void configureClient(TFtpClient& client, const FtpSite& site) {
    client.Host = trim(site.host);
    client.Port = site.portNumber();
    client.Username = site.anonymousLogin ? std::string("anonymous") : site.user;
    client.Password = site.password;
    client.Passive = site.passive;
    client.UseTls = site.useTls ? FtpTlsMode::Explicit : FtpTlsMode::None;
    client.TlsFingerprint = site.fingerprint;
    client.ReadTimeout = client.ConnectTimeout = client.DataTimeout = site.timeoutMs();
}

} // namespace quorvel
