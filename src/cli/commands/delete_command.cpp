#include "cli/commands/delete_command.h"

#include "core/zip/wildcard_match.h"
#include "core/zip/zip_writer.h"

namespace quorvel::cli {

std::string DeleteCommand::usage() const {
    return "delete ARCHIVE [--exact] NAME-OR-MASK...\n"
           "    Removes the entries stored under a NAME (one entry each, letter case counts) or matching a\n"
           "    MASK (a mask without \"/\" looks at the file name alone); with --exact every operand is a\n"
           "    NAME, \"*\" and \"?\" included; prints the number removed on the last line";
}

int DeleteCommand::run(CliContext& context) {
    bool exact = false;
    std::vector<std::string> operands;
    for (const std::string& arg : context.args) {
        if (arg == "--exact")
            exact = true;
        else
            operands.push_back(arg);
    }
    if (operands.size() < 2) {
        context.err << "Usage: " << usage() << "\n";
        return ExitUsage;
    }
    TZipWriter writer;
    writer.IncompleteZipMode = izAssumeNotAZip;
    writer.setZipName(operands.front());
    for (auto operand = operands.begin() + 1; operand != operands.end(); ++operand) {
        if (!exact && IsWildcardName(*operand))
            writer.FilesList.push_back(*operand);
        else
            writer.ExactNames.push_back(*operand);
    }
    writer.OnDeleteEntry = [&context](const std::string& name, bool&) { context.out << "removing " << name << "\n"; };
    const int count = writer.DeleteEntries();
    context.out << count << "\n";
    return ExitOk;
}

} // namespace quorvel::cli
