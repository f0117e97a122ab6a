#include "cli/commands/mail_command.h"

#include "cli/commands/archive_args.h"
#include "core/mail/email_account.h"
#include "core/mail/mail_error.h"
#include "core/mail/mail_message.h"
#include "core/mail/smtp_client.h"
#include "core/net/net_error.h"
#include "core/util/strings.h"

#include <fstream>
#include <sstream>

namespace quorvel::cli {

namespace {

std::string readBodyFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    if (!in || !(text << in.rdbuf()) || in.bad())
        throw IoError("Cannot read the text file '" + path + "'");
    return text.str();
}

} // namespace

std::string MailCommand::usage() const {
    return "mail --to ADDR[,ADDR...] --subject TEXT [--body-file FILE] [--timeout SECONDS] [FILE...]\n"
           "    Sends one message with the files attached through the email account (see mail-account);\n"
           "    exit 0 once the server accepted it. A recipient the server refuses fails the whole send.\n"
           "    --timeout limits connecting and each wait for the server (default 60)";
}

int MailCommand::run(CliContext& context) {
    const auto usageError = [&](const std::string& why) {
        context.err << why << "\nUsage:\n" << usage() << "\n";
        return ExitUsage;
    };
    std::optional<std::string> to, subject, bodyFile;
    std::optional<int> timeoutSeconds;
    std::vector<std::string> files;
    ArgCursor args(context.args);
    while (!args.atEnd()) {
        const std::string arg = args.take();
        if (arg != "--to" && arg != "--subject" && arg != "--body-file" && arg != "--timeout") {
            if (arg.starts_with("--"))
                return usageError("unknown option " + arg);
            files.push_back(arg);
            continue;
        }
        const std::optional<std::string> value = args.value();
        if (!value)
            return usageError(arg + " needs a value");
        if (arg == "--to")
            to = value;
        else if (arg == "--subject")
            subject = value;
        else if (arg == "--body-file")
            bodyFile = value;
        else if (const std::optional<int> seconds = parseInt(*value); seconds && *seconds >= 1 && *seconds <= 86400)
            timeoutSeconds = seconds;
        else
            return usageError("--timeout takes a number of seconds from 1 to 86400");
    }
    if (!to || !subject)
        return usageError("mail needs --to and --subject");

    const EmailAccount account = loadEmailAccount(context.data.accountIni());
    TMailMessage message;
    message.From = TEmailAddressItem::parse(trim(account.senderEmail));
    message.ReplyTo = {message.From};
    message.Recipients = parseAddressList(*to);
    if (message.Recipients.empty())
        return usageError("--to needs at least one address");
    try {
        checkMailboxes(message.Recipients);
    } catch (const MailError& e) {
        return usageError(e.what());
    }
    message.Subject = *subject;
    message.ContentType = "text/plain";
    for (const std::string& file : files)
        message.Attachments.emplace_back(file);
    TSmtpClient client;
    configureClient(client, account);
    if (timeoutSeconds)
        client.ReadTimeout = client.ConnectTimeout = client.DataTimeout = client.DataEndTimeout =
            *timeoutSeconds * 1000;
    try {
        if (bodyFile)
            message.setBodyText(readBodyFile(*bodyFile));
        // Everything the program can check is checked before it connects.
        checkMessage(message);
        sendOnNewConnection(client, message);
    } catch (const CertificateError& e) {
        context.err << consoleText(e.what()) << "\n";
        if (!e.fingerprint().empty())
            context.err << "If this is your mail server's certificate, pin it with: mail-account set --fingerprint "
                        << e.fingerprint() << "\n";
        return ExitFailure;
    } catch (const std::exception& e) {
        context.err << consoleText(e.what()) << "\n";
        return ExitFailure;
    }
    context.out << "The email has been sent to " << *to << ".\n";
    return ExitOk;
}

} // namespace quorvel::cli
