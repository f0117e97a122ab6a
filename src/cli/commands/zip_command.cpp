#include "cli/commands/zip_command.h"

#include "cli/commands/archive_args.h"
#include "core/backup/backup_sources.h"
#include "core/util/strings.h"
#include "core/zip/zip_writer.h"

#include <filesystem>

namespace quorvel::cli {

std::string ZipCommand::usage() const {
    return "zip ARCHIVE [-l LEVEL] [-r] [-p] [-x MASK]... [-n MASK]... [-c COMMENT] [--password-file FILE] SPEC...\n"
           "    Writes a new archive; a SPEC is a file, a folder, or a folder/mask (\">\" in front: always\n"
           "    search subfolders, \"|\": never); -r searches subfolders, -p stores paths, -x excludes,\n"
           "    -n stores without compression, -l 0..9 is the compression level (default 6)";
}

int ZipCommand::run(CliContext& context) {
    TZipWriter writer;
    ArgCursor args(context.args);
    std::vector<std::string> specs;
    std::optional<std::string> archive;
    while (!args.atEnd()) {
        std::string arg = args.take();
        std::optional<std::string> value;
        if (arg == "-r") {
            writer.Recurse = true;
        } else if (arg == "-p") {
            writer.StorePaths = true;
        } else if (arg == "-l" || arg == "-x" || arg == "-n" || arg == "-c" || arg == "--password-file") {
            if (!(value = args.value())) {
                context.err << arg << " needs a value\n" << usage() << "\n";
                return ExitUsage;
            }
            if (arg == "-l") {
                std::optional<int> level = parseInt(*value);
                if (!level || *level < 0 || *level > 9) {
                    context.err << "The level must be 0 to 9\n";
                    return ExitUsage;
                }
                writer.PackLevel = *level;
            } else if (arg == "-x") {
                writer.ExcludeList.push_back(*value);
            } else if (arg == "-n") {
                writer.NoCompressList.push_back(*value);
            } else if (arg == "-c") {
                writer.setZipComment(*value); // kept: ZipName is set below and only a different name resets it
            } else {
                writer.Password = readPasswordFile(*value);
            }
        } else if (!archive) {
            archive = arg;
        } else {
            specs.push_back(arg);
        }
    }
    if (!archive || specs.empty()) {
        context.err << "Usage: " << usage() << "\n";
        return ExitUsage;
    }
    std::string comment = writer.ZipComment();
    writer.setZipName(*archive);
    writer.setZipComment(comment);
    writer.setRootDir(std::filesystem::current_path().string());
    for (const std::string& spec : specs)
        writer.FilesList.push_back(backupItemSpec(spec)); // a folder means its contents
    int unreadable = 0;
    writer.OnSkippingFile = [&](TSkipReason reason, const std::string& name, int, bool&) {
        if (reason == SkipCannotOpen) {
            ++unreadable;
            context.err << "Cannot read " << name << ", left out\n";
        } else if (reason == SkipNoOverwrite) {
            context.err << "Already in the archive under the same name, left out: " << name << "\n";
        }
    };
    int missing = 0; // a file named on the command line that is not there
    writer.OnNoSuchFile = [&](const std::string& name) {
        ++missing;
        context.err << "No such file: " << name << "\n";
    };
    int count = writer.Zip();
    context.out << count << (count == 1 ? " entry" : " entries") << " written to " << *archive << "\n";
    return unreadable == 0 && missing == 0 ? ExitOk : ExitFailure;
}

} // namespace quorvel::cli
