#include "cli/commands/delete_command.h"

#include "core/zip/wildcard_match.h"
#include "core/zip/zip_writer.h"

#include <algorithm>
#include <map>

namespace quorvel::cli {

std::string DeleteCommand::usage() const {
    return "delete ARCHIVE NAME-OR-MASK...\n"
           "    Removes the entries stored under a NAME (one entry each, letter case counts) or matching a\n"
           "    MASK (a mask without \"/\" looks at the file name alone); prints the number removed on the last line";
}

int DeleteCommand::run(CliContext& context) {
    if (context.args.size() < 2) {
        context.err << "Usage: " << usage() << "\n";
        return ExitUsage;
    }
    // How often each plain name was given (one entry each), and the masks.
    std::map<std::string, int> names;
    std::vector<std::string> masks;
    for (auto arg = context.args.begin() + 1; arg != context.args.end(); ++arg) {
        if (IsWildcardName(*arg))
            masks.push_back(*arg);
        else
            ++names[*arg];
    }
    const auto maskMatches = [&masks](const std::string& stored) {
        return std::any_of(masks.begin(), masks.end(), [&stored](const std::string& mask) {
            return WildcardMatch(mask,
                                 mask.find('/') == std::string::npos ? stored.substr(stored.rfind('/') + 1) : stored);
        });
    };
    TZipWriter writer;
    writer.IncompleteZipMode = izAssumeNotAZip;
    writer.setZipName(context.args.front());
    // The writer takes a plain name as naming any entry that differs from it only in letter case,
    // which in an archive holding "Notes.txt" and "notes.txt" removes the wrong one. So every entry
    // is offered here and a plain name removes only the entry stored exactly under it.
    writer.FilesList = {"*"};
    writer.OnDeleteEntry = [&](const std::string& name, bool& skip) {
        const auto named = names.find(name);
        if (named != names.end() && named->second > 0)
            --named->second;
        else if (!maskMatches(name))
            skip = true;
        if (!skip)
            context.out << "removing " << name << "\n";
    };
    int count = writer.DeleteEntries();
    context.out << count << "\n";
    return ExitOk;
}

} // namespace quorvel::cli
