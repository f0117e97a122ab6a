#include "cli/commands/ftp_site_command.h"

#include "cli/commands/archive_args.h"
#include "core/ftp/ftp_site.h"
#include "core/net/tls_context.h"
#include "core/util/strings.h"

namespace quorvel::cli {

std::string FtpSiteCommand::usage() const {
    return "ftp-site list         the FTP sites: label, host, port, user, passive or active, tls or plain\n"
           "ftp-site add LABEL --host HOST [--port N] [--user USER] [--password-file FILE] [--anonymous]\n"
           "         [--active] [--tls] [--fingerprint SHA256]\n"
           "    Adds a site (passive unless --active; --fingerprint pins the server certificate and implies --tls)\n"
           "ftp-site remove LABEL  removes a site";
}

int FtpSiteCommand::run(CliContext& context) {
    const std::string verb = context.args.empty() ? std::string() : context.args.front();
    if (verb == "list" && context.args.size() == 1)
        return list(context);
    if (verb == "add" && context.args.size() >= 2)
        return add(context);
    if (verb == "remove" && context.args.size() == 2)
        return remove(context);
    context.err << "Usage:\n" << usage() << "\n";
    return ExitUsage;
}

int FtpSiteCommand::list(CliContext& context) {
    FtpSiteStore store(context.data.accountIni());
    for (const std::string& label : store.labels()) {
        const FtpSite site = store.load(label);
        context.out << label << '\t' << site.host << '\t' << site.portNumber() << '\t'
                    << (site.anonymousLogin ? std::string("anonymous") : site.user) << '\t'
                    << (site.passive ? "passive" : "active") << '\t' << (site.useTls ? "tls" : "plain") << '\n';
    }
    return ExitOk;
}

int FtpSiteCommand::add(CliContext& context) {
    FtpSite site;
    site.label = context.args[1];
    site.passive = true;
    bool haveHost = false;
    const std::vector<std::string> options(context.args.begin() + 2, context.args.end());
    ArgCursor args(options);
    const auto usageError = [&](const std::string& why) {
        context.err << why << "\nUsage:\n" << usage() << "\n";
        return ExitUsage;
    };
    while (!args.atEnd()) {
        const std::string option = args.take();
        if (option == "--anonymous") {
            site.anonymousLogin = true;
            site.normalLogin = false;
        } else if (option == "--active") {
            site.passive = false;
        } else if (option == "--tls") {
            site.useTls = true;
        } else if (option == "--host" || option == "--port" || option == "--user" || option == "--password-file" ||
                   option == "--fingerprint") {
            const std::optional<std::string> value = args.value();
            if (!value)
                return usageError(option + " needs a value");
            if (option == "--host") {
                site.host = *value;
                haveHost = !trim(*value).empty();
            } else if (option == "--port") {
                const std::optional<int> port = parseInt(*value);
                if (!port || *port < 1 || *port > 65535)
                    return usageError("--port takes a number from 1 to 65535");
                site.port = std::to_string(*port);
            } else if (option == "--user") {
                site.user = *value;
            } else if (option == "--password-file") {
                site.password = readPasswordFile(*value);
            } else {
                const std::optional<std::string> fingerprint = normalizeFingerprint(*value);
                if (!fingerprint)
                    return usageError("--fingerprint takes the certificate's SHA-256 as 64 hex digits");
                site.fingerprint = displayFingerprint(*fingerprint);
                site.useTls = true;
            }
        } else {
            return usageError("unknown option " + option);
        }
    }
    if (!haveHost)
        return usageError("--host is required");
    FtpSiteStore store(context.data.accountIni());
    if (store.find(site.label)) {
        context.err << "A site labelled '" << trim(site.label) << "' exists already.\n";
        return ExitFailure;
    }
    ensureDataFolder(context.data.folder);
    store.addSite(site);
    return ExitOk;
}

int FtpSiteCommand::remove(CliContext& context) {
    FtpSiteStore store(context.data.accountIni());
    const std::vector<std::string> labels = store.labels();
    for (std::size_t i = 0; i < labels.size(); ++i) {
        if (equalsIgnoreCase(trim(labels[i]), trim(context.args[1]))) {
            store.removeSite(i);
            return ExitOk;
        }
    }
    context.err << "No FTP site '" << context.args[1] << "'.\n";
    return ExitFailure;
}

} // namespace quorvel::cli
