#include "cli/commands/delete_command.h"

#include "core/zip/zip_writer.h"

namespace quorvel::cli {

std::string DeleteCommand::usage() const {
    return "delete ARCHIVE NAME-OR-MASK...\n"
           "    Removes the entries stored under a NAME (one entry each) or matching a MASK (a mask\n"
           "    without \"/\" looks at the file name alone); prints the number removed on the last line";
}

int DeleteCommand::run(CliContext& context) {
    if (context.args.size() < 2) {
        context.err << "Usage: " << usage() << "\n";
        return ExitUsage;
    }
    TZipWriter writer;
    writer.IncompleteZipMode = izAssumeNotAZip;
    writer.setZipName(context.args.front());
    writer.FilesList.assign(context.args.begin() + 1, context.args.end());
    writer.OnDeleteEntry = [&](const std::string& name, bool&) { context.out << "removing " << name << "\n"; };
    int count = writer.DeleteEntries();
    context.out << count << "\n";
    return ExitOk;
}

} // namespace quorvel::cli
