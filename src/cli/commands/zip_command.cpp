#include "cli/commands/zip_command.h"

#include "cli/commands/archive_args.h"
#include "core/backup/backup_sources.h"
#include "core/util/strings.h"
#include "core/zip/zip_writer.h"

#include <filesystem>
#include <optional>
#include <vector>

namespace quorvel::cli {

std::string ZipCommand::usage() const {
    return "zip ARCHIVE [-l LEVEL] [-r] [-p] [-x MASK]... [-n MASK]... [-c COMMENT] [--password-file FILE] SPEC...\n"
           "    Writes a new archive; a SPEC is a file, a folder, or a folder/mask (\">\" in front: always\n"
           "    search subfolders, \"|\": never); -r searches subfolders, -p stores paths, -x excludes,\n"
           "    -n stores without compression, -l 0..9 is the compression level (default 6)";
}

namespace {

// An option that takes a value; an exit status when the value is not usable.
std::optional<int> applyValueOption(const std::string& option, const std::string& value, TZipWriter& writer,
                                    CliContext& context) {
    if (option == "-l") {
        const std::optional<int> level = parseInt(value);
        if (!level || *level < 0 || *level > 9) {
            context.err << "The level must be 0 to 9\n";
            return ExitUsage;
        }
        writer.PackLevel = *level;
    } else if (option == "-x") {
        writer.ExcludeList.push_back(value);
    } else if (option == "-n") {
        writer.NoCompressList.push_back(value);
    } else if (option == "-c") {
        writer.setZipComment(value); // kept: ZipName is set later and only a different name resets it
    } else {
        writer.Password = readPasswordFile(value);
    }
    return std::nullopt;
}

struct Operands {
    std::optional<std::string> archive;
    std::vector<std::string> specs;
};

// Options go into the writer, operands into `operands`; an exit status when they are not usable.
std::optional<int> parseArguments(CliContext& context, const std::string& usage, TZipWriter& writer,
                                  Operands& operands) {
    ArgCursor args(context.args);
    while (!args.atEnd()) {
        const std::string arg = args.take();
        if (arg == "-r") {
            writer.Recurse = true;
        } else if (arg == "-p") {
            writer.StorePaths = true;
        } else if (arg == "-l" || arg == "-x" || arg == "-n" || arg == "-c" || arg == "--password-file") {
            const std::optional<std::string> value = args.value();
            if (!value) {
                context.err << arg << " needs a value\n" << usage << "\n";
                return ExitUsage;
            }
            if (std::optional<int> status = applyValueOption(arg, *value, writer, context))
                return status;
        } else if (!operands.archive) {
            operands.archive = arg;
        } else {
            operands.specs.push_back(arg);
        }
    }
    if (operands.archive && !operands.specs.empty())
        return std::nullopt;
    context.err << "Usage: " << usage << "\n";
    return ExitUsage;
}

// What was left out; the command fails when anything was.
struct LeftOut {
    int unreadable = 0;
    int missing = 0; // named on the command line but not there
};

void reportLeftOut(TZipWriter& writer, CliContext& context, LeftOut& leftOut) {
    writer.OnSkippingFile = [&context, &leftOut](TSkipReason reason, const std::string& name, int, bool&) {
        if (reason == SkipCannotOpen) {
            ++leftOut.unreadable;
            context.err << "Cannot read " << name << ", left out\n";
        } else if (reason == SkipNoOverwrite) {
            context.err << "Already in the archive under the same name, left out: " << name << "\n";
        }
    };
    writer.OnNoSuchFile = [&context, &leftOut](const std::string& name) {
        ++leftOut.missing;
        context.err << "No such file: " << name << "\n";
    };
}

} // namespace

int ZipCommand::run(CliContext& context) {
    TZipWriter writer;
    Operands operands;
    if (std::optional<int> status = parseArguments(context, usage(), writer, operands))
        return *status;
    const std::string comment = writer.ZipComment();
    writer.setZipName(*operands.archive);
    writer.setZipComment(comment);
    writer.setRootDir(std::filesystem::current_path().string());
    for (const std::string& spec : operands.specs)
        writer.FilesList.push_back(backupItemSpec(spec)); // a folder means its contents
    LeftOut leftOut;
    reportLeftOut(writer, context, leftOut);
    const int count = writer.Zip();
    context.out << count << (count == 1 ? " entry" : " entries") << " written to " << *operands.archive << "\n";
    return leftOut.unreadable == 0 && leftOut.missing == 0 ? ExitOk : ExitFailure;
}

} // namespace quorvel::cli
