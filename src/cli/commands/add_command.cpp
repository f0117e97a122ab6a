#include "cli/commands/add_command.h"

#include "cli/commands/archive_args.h"
#include "core/backup/backup_sources.h"
#include "core/util/strings.h"
#include "core/zip/zip_writer.h"

#include <filesystem>
#include <string>
#include <vector>

namespace quorvel::cli {

std::string AddCommand::usage() const {
    return "add ARCHIVE [-l LEVEL] [-r] [-p] [-x MASK]... [--password-file FILE] [--replace|--freshen] FILE...\n"
           "    Adds files to an archive (created when missing): entries whose file is newer are replaced\n"
           "    in place, --replace replaces every entry named again, --freshen only replaces and adds\n"
           "    nothing new; prints the number of entries written on the last line";
}

namespace {

// Reads the options into the writer; false with a message on `err` for bad usage.
bool readOptions(ArgCursor& args, TZipWriter& writer, std::vector<std::string>& operands, std::ostream& err) {
    while (!args.atEnd()) {
        std::string arg = args.take();
        if (arg == "-r") {
            writer.Recurse = true;
        } else if (arg == "-p") {
            writer.StorePaths = true;
        } else if (arg == "--replace" || arg == "--freshen") {
            writer.ZipAction = arg == "--replace" ? zaReplace : zaFreshen;
        } else if (arg == "-l") {
            const std::optional<std::string> value = args.value();
            const int level = value ? parseInt(*value).value_or(-1) : -1;
            if (level < 0 || level > 9) {
                err << arg << " needs a level from 0 to 9\n";
                return false;
            }
            writer.PackLevel = level;
        } else if (arg == "-x" || arg == "--password-file") {
            const std::optional<std::string> value = args.value();
            if (!value) {
                err << arg << " needs a value\n";
                return false;
            }
            if (arg == "-x")
                writer.ExcludeList.push_back(*value);
            else
                writer.Password = readPasswordFile(*value);
        } else {
            operands.push_back(arg);
        }
    }
    return operands.size() >= 2;
}

// Why a file was left out, as the user is told.
std::string skipMessage(TSkipReason reason, const std::string& name) {
    switch (reason) {
    case SkipCannotOpen:
        return "Cannot read " + name + ", left out\n";
    case SkipNoOverwrite:
        return "Already in the archive under the same name, left out: " + name + "\n";
    default:
        return {};
    }
}

} // namespace

int AddCommand::run(CliContext& context) {
    TZipWriter writer;
    writer.IncompleteZipMode = izAssumeNotAZip;
    ArgCursor args(context.args);
    std::vector<std::string> operands;
    if (!readOptions(args, writer, operands, context.err)) {
        context.err << "Usage: " << usage() << "\n";
        return ExitUsage;
    }
    writer.setZipName(operands.front());
    writer.setRootDir(std::filesystem::current_path().string());
    for (auto spec = operands.begin() + 1; spec != operands.end(); ++spec)
        writer.FilesList.push_back(backupItemSpec(*spec)); // a folder means its contents
    int unreadable = 0;
    bool replacing = false;
    std::string current;
    writer.OnUpdate = [&](TUpdateAction action, int) { replacing = action == UpdateReplace; };
    writer.OnStartZip = [&](const std::string&, TZipHeaderInfo& header, bool&) {
        current = (replacing ? "replaced " : "added ") + header.storedName();
        replacing = false;
    };
    // Told only once the new archive has replaced the old one: a failure after an entry was
    // written leaves the archive as it was, without that entry.
    std::vector<std::string> written;
    writer.OnEndZip = [&](const std::string&, std::uint64_t, std::uint64_t, std::uint64_t) {
        written.push_back(current);
    };
    writer.OnSkippingFile = [&](TSkipReason reason, const std::string& name, int, bool&) {
        unreadable += reason == SkipCannotOpen ? 1 : 0;
        context.err << skipMessage(reason, name);
    };
    int missing = 0; // a file named on the command line that is not there
    writer.OnNoSuchFile = [&](const std::string& name) {
        ++missing;
        context.err << "No such file: " << name << "\n";
    };
    int count = writer.Zip();
    for (const std::string& line : written)
        context.out << line << "\n";
    context.out << count << "\n";
    return unreadable == 0 && missing == 0 ? ExitOk : ExitFailure;
}

} // namespace quorvel::cli
