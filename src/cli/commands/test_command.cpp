#include "cli/commands/test_command.h"

#include "cli/commands/archive_args.h"
#include "core/zip/zip_reader.h"

namespace quorvel::cli {

std::string TestCommand::usage() const {
    return "test ARCHIVE [--password-file FILE]\n"
           "    Decompresses every entry in memory and checks its CRC; prints the entries that fail";
}

int TestCommand::run(CliContext& context) {
    const std::optional<PasswordAndOperands> args = splitPasswordOption(context.args);
    if (!args || args->operands.size() != 1) {
        context.err << "Usage: " << usage() << "\n";
        return ExitUsage;
    }
    TZipReader reader;
    reader.setZipName(args->operands[0]);
    reader.IncompleteZipMode = izAssumeNotAZip;
    reader.Password = args->password;
    reader.ReadZip();
    int failed = 0;
    reader.testEntries([&](int i, const TEntryCheck& check) {
        if (!check.ok) {
            ++failed;
            context.out << reader.Entry(i).storedName() << ": " << check.message << "\n";
        }
    });
    context.out << reader.Count() << " entries tested, " << failed << " failed\n";
    return failed == 0 ? ExitOk : ExitFailure;
}

} // namespace quorvel::cli
