#include "core/mail/email_account.h"

#include "core/ini/ini_file.h"
#include "core/ini/ini_password_codec.h"
#include "core/mail/smtp_client.h"
#include "core/util/strings.h"

namespace quorvel {

int standardPort(MailSecurity security) {
    switch (security) {
    case MailSecurity::StartTls:
        return 587;
    case MailSecurity::Tls:
        return 465;
    case MailSecurity::None:
        break;
    }
    return 25;
}

int EmailAccount::portNumber() const {
    const std::optional<int> number = parseInt(port);
    return number && *number >= 1 && *number <= 65535 ? *number : 25;
}

EmailAccount loadEmailAccount(const std::filesystem::path& accountIni) {
    const IniDocument doc = IniFile(accountIni).read();
    const auto s = EmailAccountSection;
    EmailAccount account;
    account.senderEmail = doc.readString(s, "Sender Email", SenderPlaceholder);
    account.smtp = doc.readString(s, "Smtp", account.smtp);
    account.port = doc.readString(s, "Port", account.port);
    const int type = doc.readInteger(s, "Type", 1);
    account.type = type == 0 || type == 1 ? type : 1;
    account.user = doc.readString(s, "User", account.user);
    account.password = IniPasswordCodec::decode(doc.readString(s, "Password"), s);
    account.sendTo = doc.readString(s, "SendTo", RecipientPlaceholder);
    const int security = doc.readInteger(s, "Security", 0);
    account.security = security == 1 ? MailSecurity::StartTls : security == 2 ? MailSecurity::Tls : MailSecurity::None;
    account.fingerprint = doc.readString(s, "Fingerprint");
    return account;
}

void saveEmailAccount(const std::filesystem::path& accountIni, const EmailAccount& account) {
    IniFile(accountIni).edit([&account](IniDocument& doc) {
        const auto s = EmailAccountSection;
        doc.writeString(s, "Sender Email", account.senderEmail);
        doc.writeString(s, "Smtp", account.smtp);
        doc.writeString(s, "Port", account.port);
        doc.writeInteger(s, "Type", account.type);
        doc.writeString(s, "User", account.user);
        doc.writeString(s, "password", IniPasswordCodec::encode(trim(account.password), s));
        doc.writeString(s, "SendTo", account.sendTo);
        doc.writeInteger(s, "Security", static_cast<int>(account.security));
        doc.writeString(s, "Fingerprint", trim(account.fingerprint));
    });
}

void configureClient(TSmtpClient& client, const EmailAccount& account) {
    client.Host = trim(account.smtp);
    client.Port = account.portNumber();
    client.setAuthenticationType(account.type == 1 ? atLogin : atNone);
    client.Username = trim(account.user);
    client.Password = trim(account.password);
    client.UseTls = account.security == MailSecurity::StartTls ? SmtpTlsMode::StartTls
                    : account.security == MailSecurity::Tls    ? SmtpTlsMode::Implicit
                                                               : SmtpTlsMode::None;
    client.TlsFingerprint = account.fingerprint;
}

} // namespace quorvel
