#include "cli/commands/ftp_command.h"

#include "cli/commands/archive_args.h"
#include "cli/commands/console_prompts.h"
#include "core/ftp/ftp_client.h"
#include "core/ftp/ftp_local_names.h"
#include "core/ftp/ftp_site.h"
#include "core/net/net_error.h"
#include "core/util/strings.h"

#include <filesystem>
#include <functional>
#include <map>

namespace quorvel::cli {

namespace {

// Operands each subcommand takes: at least, and at most (-1: any number).
const std::map<std::string, std::pair<int, int>> Operands = {{"ls", {0, 1}},    {"put", {1, -1}}, {"get", {1, -1}},
                                                             {"mkdir", {1, 1}}, {"rm", {1, 1}},   {"rename", {2, 2}}};

void report(CliContext& context, const std::string& subject, const std::exception& e) {
    context.err << (subject.empty() ? std::string() : subject + ": ") << consoleText(e.what()) << "\n";
}

// Transfers each item in turn, reporting the ones that fail; stops when the connection is lost.
int transferEach(CliContext& context, const TFtpClient& client, const std::vector<std::string>& items,
                 const std::function<void(const std::string& item)>& transfer) {
    int result = ExitOk;
    for (const std::string& item : items) {
        try {
            transfer(item);
        } catch (const std::exception& e) {
            report(context, item, e);
            result = ExitFailure;
            if (!client.Connected())
                break;
        }
    }
    return result;
}

} // namespace

std::string FtpCommand::usage() const {
    return "ftp LABEL [--timeout SECONDS] ls [REMOTE-DIR]\n"
           "    Lists a remote folder: name, size, date-time and dir or file, separated by tabs\n"
           "ftp LABEL [--timeout SECONDS] put LOCAL... [--to REMOTE-DIR]\n"
           "    Uploads files (through a temporary name, renamed when complete)\n"
           "ftp LABEL [--timeout SECONDS] get REMOTE... [-d LOCAL-DIR]\n"
           "    Downloads files (an existing local file is replaced once the download is complete)\n"
           "ftp LABEL [--timeout SECONDS] mkdir DIR | rm NAME | rename FROM TO\n"
           "    --timeout limits connecting, each reply and an idle data connection (default 60)";
}

int FtpCommand::run(CliContext& context) {
    const auto usageError = [&](const std::string& why) {
        context.err << why << "\nUsage:\n" << usage() << "\n";
        return ExitUsage;
    };
    std::vector<std::string> args = context.args;
    if (args.empty())
        return usageError("ftp needs a site label");
    const std::string label = args.front();
    args.erase(args.begin());
    std::optional<int> timeoutSeconds;
    if (!args.empty() && args.front() == "--timeout") {
        const std::optional<int> seconds = args.size() > 1 ? parseInt(args[1]) : std::nullopt;
        if (!seconds || *seconds < 1 || *seconds > 86400)
            return usageError("--timeout takes a number of seconds from 1 to 86400");
        timeoutSeconds = seconds;
        args.erase(args.begin(), args.begin() + 2);
    }
    if (args.empty() || Operands.count(args.front()) == 0)
        return usageError("ftp needs one of ls, put, get, mkdir, rm and rename");
    const std::string verb = args.front();
    args.erase(args.begin());
    // put and get take one option, anywhere among their operands.
    const std::string option = verb == "put" ? "--to" : verb == "get" ? "-d" : "";
    std::string optionValue;
    std::vector<std::string> operands;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (option.empty() || args[i] != option)
            operands.push_back(args[i]);
        else if (i + 1 < args.size())
            optionValue = args[++i];
        else
            return usageError(option + " needs a value");
    }
    const auto [least, most] = Operands.at(verb);
    const int count = static_cast<int>(operands.size());
    if (count < least || (most >= 0 && count > most))
        return usageError("wrong number of operands for " + verb);

    const std::optional<FtpSite> site = FtpSiteStore(context.data.accountIni()).find(label);
    if (!site) {
        context.err << "No FTP site '" << label << "'.\n";
        return ExitFailure;
    }
    TFtpClient client;
    configureClient(client, *site);
    if (timeoutSeconds)
        client.ReadTimeout = client.ConnectTimeout = client.DataTimeout = *timeoutSeconds * 1000;
    try {
        client.ConnectAndLogin(true);
    } catch (const CertificateError& e) {
        report(context, {}, e);
        if (!e.fingerprint().empty())
            context.err << "If this is your server's certificate, add the site again with --fingerprint "
                        << e.fingerprint() << "\n";
        return ExitFailure;
    } catch (const std::exception& e) {
        report(context, {}, e);
        return ExitFailure;
    }
    int result = ExitFailure;
    if (verb == "ls")
        result = list(context, client, operands);
    else if (verb == "put")
        result = put(context, client, operands, optionValue);
    else if (verb == "get")
        result = get(context, client, operands, optionValue.empty() ? std::string(".") : optionValue);
    else
        result = simple(context, client, verb, operands);
    client.Logout();
    return result;
}

int FtpCommand::list(CliContext& context, TFtpClient& client, const std::vector<std::string>& args) {
    try {
        if (!args.empty())
            client.ChangeFolder(args.front());
        client.ListFolder(true);
        const TFtpListItems& entries = client.FolderEntries();
        if (entries.ListFormat == flfUnknown)
            throw Error(ErrorKind::Protocol, "Unknown FTP listing format");
        for (const TFtpListItem& item : entries.items())
            context.out << item.fileName << '\t' << item.size << '\t'
                        << (item.hasDate() ? formatDateTime(item.modified) : std::string()) << '\t'
                        << (item.isDirectory() ? "dir" : "file") << '\n';
        return ExitOk;
    } catch (const std::exception& e) {
        report(context, {}, e);
        return ExitFailure;
    }
}

int FtpCommand::put(CliContext& context, TFtpClient& client, const std::vector<std::string>& files,
                    const std::string& folder) {
    try {
        if (!folder.empty())
            client.ChangeFolder(folder);
    } catch (const std::exception& e) {
        report(context, folder, e);
        return ExitFailure;
    }
    return transferEach(context, client, files, [&](const std::string& file) {
        const std::string name = std::filesystem::path(file).filename().string();
        client.UploadFile(file, name);
        context.out << "uploaded " << name << "\n";
    });
}

int FtpCommand::get(CliContext& context, TFtpClient& client, const std::vector<std::string>& names,
                    const std::filesystem::path& folder) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    return transferEach(context, client, names, [&](const std::string& remote) {
        const std::string name = remoteBaseName(remote);
        if (!isSafeLocalName(name))
            throw Error(ErrorKind::Refused, "'" + remote + "' does not name a file that can be saved.", remote);
        client.DownloadFile(remote, (folder / name).string(), true);
        context.out << "downloaded " << name << "\n";
    });
}

int FtpCommand::simple(CliContext& context, TFtpClient& client, const std::string& verb,
                       const std::vector<std::string>& args) {
    try {
        if (verb == "mkdir") {
            client.CreateFolder(args[0]);
        } else if (verb == "rename") {
            client.Rename(args[0], args[1]);
        } else {
            // A name that is no file may be an empty folder.
            try {
                client.RemoveFile(args[0]);
            } catch (const ProtocolError&) {
                const ProtocolError first(client.LastReply().code, client.LastReply().lines);
                try {
                    client.RemoveFolder(args[0]);
                } catch (const ProtocolError&) {
                    throw first;
                }
            }
        }
        return ExitOk;
    } catch (const std::exception& e) {
        report(context, args[0], e);
        return ExitFailure;
    }
}

} // namespace quorvel::cli
