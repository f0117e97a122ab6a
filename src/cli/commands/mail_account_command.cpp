#include "cli/commands/mail_account_command.h"

#include "cli/commands/archive_args.h"
#include "core/mail/email_account.h"
#include "core/mail/mail_address.h"
#include "core/net/tls_context.h"
#include "core/util/strings.h"

#include <map>

namespace quorvel::cli {

namespace {

const std::map<std::string, MailSecurity> SecurityNames{
    {"none", MailSecurity::None}, {"starttls", MailSecurity::StartTls}, {"tls", MailSecurity::Tls}};

std::string securityName(MailSecurity security) {
    for (const auto& [name, value] : SecurityNames)
        if (value == security)
            return name;
    return "none";
}

} // namespace

std::string MailAccountCommand::usage() const {
    return "mail-account show     the email account as key=value lines (the password as <set> or empty)\n"
           "mail-account set [--sender ADDR] [--host HOST] [--port N] [--login none|simple] [--user USER]\n"
           "         [--password-file FILE] [--security none|starttls|tls] [--fingerprint SHA256]\n"
           "    Changes the options given and keeps the rest (--fingerprint pins the server certificate;\n"
           "    an empty one unpins it)";
}

int MailAccountCommand::run(CliContext& context) {
    const std::string verb = context.args.empty() ? std::string() : context.args.front();
    if (verb == "show" && context.args.size() == 1)
        return show(context);
    if (verb == "set")
        return set(context);
    context.err << "Usage:\n" << usage() << "\n";
    return ExitUsage;
}

int MailAccountCommand::show(CliContext& context) {
    const EmailAccount account = loadEmailAccount(context.data.accountIni());
    context.out << "sender=" << account.senderEmail << "\n"
                << "host=" << account.smtp << "\n"
                << "port=" << account.port << "\n"
                << "login=" << (account.type == 1 ? "simple" : "none") << "\n"
                << "user=" << account.user << "\n"
                << "password=" << (account.password.empty() ? "" : "<set>") << "\n"
                << "security=" << securityName(account.security) << "\n"
                << "fingerprint=" << account.fingerprint << "\n"
                << "last-recipient=" << account.sendTo << "\n";
    return ExitOk;
}

int MailAccountCommand::set(CliContext& context) {
    EmailAccount account = loadEmailAccount(context.data.accountIni());
    const std::vector<std::string> options(context.args.begin() + 1, context.args.end());
    ArgCursor args(options);
    const auto usageError = [&](const std::string& why) {
        context.err << why << "\nUsage:\n" << usage() << "\n";
        return ExitUsage;
    };
    if (args.atEnd())
        return usageError("mail-account set needs at least one option");
    while (!args.atEnd()) {
        const std::string option = args.take();
        const std::optional<std::string> value = args.value();
        if (!value)
            return usageError(option + " needs a value");
        if (option == "--sender") {
            if (!isValidAddress(trim(*value)))
                return usageError("--sender takes an email address");
            account.senderEmail = trim(*value);
        } else if (option == "--host") {
            if (trim(*value).empty())
                return usageError("--host takes the mail server's name or address");
            account.smtp = trim(*value);
        } else if (option == "--port") {
            const std::optional<int> port = parseInt(*value);
            if (!port || *port < 1 || *port > 65535)
                return usageError("--port takes a number from 1 to 65535");
            account.port = std::to_string(*port);
        } else if (option == "--login") {
            if (*value != "none" && *value != "simple")
                return usageError("--login takes none or simple");
            account.type = *value == "simple" ? 1 : 0;
        } else if (option == "--user") {
            account.user = *value;
        } else if (option == "--password-file") {
            account.password = readPasswordFile(*value);
        } else if (option == "--security") {
            const auto found = SecurityNames.find(*value);
            if (found == SecurityNames.end())
                return usageError("--security takes none, starttls or tls");
            account.security = found->second;
        } else if (option == "--fingerprint") {
            const std::optional<std::string> fingerprint = normalizeFingerprint(*value);
            if (!fingerprint && !trim(*value).empty())
                return usageError("--fingerprint takes the certificate's SHA-256 as 64 hex digits");
            account.fingerprint = fingerprint ? displayFingerprint(*fingerprint) : std::string();
        } else {
            return usageError("unknown option " + option);
        }
    }
    ensureDataFolder(context.data.folder);
    saveEmailAccount(context.data.accountIni(), account);
    return ExitOk;
}

} // namespace quorvel::cli
