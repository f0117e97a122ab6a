#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace quorvel {

class TSmtpClient;

inline constexpr std::string_view EmailAccountSection = "Email Account";
// Shown for a sender and a recipient nobody has entered yet; they name no real mailbox.
inline constexpr std::string_view SenderPlaceholder = "sender@example.invalid";
inline constexpr std::string_view RecipientPlaceholder = "recipient@example.invalid";

// How the connection to the mail server is protected ("Security" in account.ini).
enum class MailSecurity { None = 0, StartTls = 1, Tls = 2 };

// The standard port of each kind of connection: 25, 587 (STARTTLS) and 465 (TLS).
int standardPort(MailSecurity security);

// The email account of account.ini, section "Email Account". Values are kept as typed; the
// password is stored scrambled with the section's name.
struct EmailAccount {
    std::string senderEmail = std::string(SenderPlaceholder); // "Sender Email"
    std::string smtp = "127.0.0.1";                           // "Smtp"
    std::string port = "25";                                  // "Port", as typed; see portNumber()
    int type = 1;                                             // "Type": 0 no login, 1 "Simple Login"
    std::string user = "Account name";                        // "User"
    std::string password;                                     // "password"
    std::string sendTo = std::string(RecipientPlaceholder);   // "SendTo": the recipient last used
    MailSecurity security = MailSecurity::None;               // "Security"
    std::string fingerprint; // "Fingerprint": the server certificate's SHA-256; empty: the trust store

    // The port as a number; 25 when the text is not a valid port.
    int portNumber() const;
};

// Reads the section; a missing file or section gives the defaults above.
EmailAccount loadEmailAccount(const std::filesystem::path& accountIni);
// Writes every key of the section in one atomic replacement of the file (created with mode 0600);
// the FTP sites and anything else in the file stay as they are. The password is written trimmed.
void saveEmailAccount(const std::filesystem::path& accountIni, const EmailAccount& account);

// Sets the client's server, login and TLS from the account: host and user name trimmed, the
// password trimmed, AUTH only with "Simple Login".
void configureClient(TSmtpClient& client, const EmailAccount& account);

} // namespace quorvel
