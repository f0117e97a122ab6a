#include "cli/commands/test_command.h"

#include "cli/commands/archive_args.h"
#include "core/zip/zip_reader.h"

namespace quorvel::cli {

std::string TestCommand::usage() const {
    return "test ARCHIVE [--password-file FILE]\n"
           "    Decompresses every entry in memory and checks its CRC; prints the entries that fail";
}

int TestCommand::run(CliContext& context) {
    std::optional<std::string> archive;
    std::string password;
    ArgCursor args(context.args);
    while (!args.atEnd()) {
        std::string arg = args.take();
        if (arg == "--password-file") {
            std::optional<std::string> file = args.value();
            if (!file) {
                context.err << "Usage: " << usage() << "\n";
                return ExitUsage;
            }
            password = readPasswordFile(*file);
        } else if (!archive) {
            archive = arg;
        } else {
            context.err << "Usage: " << usage() << "\n";
            return ExitUsage;
        }
    }
    if (!archive) {
        context.err << "Usage: " << usage() << "\n";
        return ExitUsage;
    }
    TZipReader reader;
    reader.setZipName(*archive);
    reader.IncompleteZipMode = izAssumeNotAZip;
    reader.Password = password;
    reader.ReadZip();
    int failed = 0;
    for (int i = 0; i < reader.Count(); ++i) {
        TEntryCheck check = reader.testEntry(i);
        if (!check.ok) {
            ++failed;
            context.out << reader.Entry(i).storedName() << ": " << check.message << "\n";
        }
    }
    context.out << reader.Count() << " entries tested, " << failed << " failed\n";
    return failed == 0 ? ExitOk : ExitFailure;
}

} // namespace quorvel::cli
