#include "cli/commands/extract_command.h"

#include "cli/commands/archive_args.h"
#include "core/zip/name_selection.h"
#include "core/zip/zip_reader.h"

#include <algorithm>
#include <map>

namespace quorvel::cli {

std::string ExtractCommand::usage() const {
    return "extract ARCHIVE [-d DIR] [--no-paths] [-o always|never|newer|older] [--password-file FILE] [MASK...]\n"
           "    Extracts every entry, or those matching a MASK, into DIR (default: the current folder);\n"
           "    existing files are kept unless -o says otherwise";
}

int ExtractCommand::run(CliContext& context) {
    static const std::map<std::string, TUZOverwriteMode> modes{
        {"always", Always}, {"never", Never}, {"newer", ifNewer}, {"older", ifOlder}};
    TZipReader reader;
    reader.RecreateDirs = true;
    reader.OverwriteMode = Never;
    reader.IncompleteZipMode = izAssumeNotAZip;
    std::optional<std::string> archive;
    std::string destDir;
    ArgCursor args(context.args);
    while (!args.atEnd()) {
        std::string arg = args.take();
        if (arg == "--no-paths") {
            reader.RecreateDirs = false;
        } else if (arg == "-d" || arg == "-o" || arg == "--password-file") {
            std::optional<std::string> value = args.value();
            if (!value || (arg == "-o" && !modes.count(*value))) {
                context.err << "Usage: " << usage() << "\n";
                return ExitUsage;
            }
            if (arg == "-d")
                destDir = *value;
            else if (arg == "-o")
                reader.OverwriteMode = modes.at(*value);
            else
                reader.Password = readPasswordFile(*value);
        } else if (!archive) {
            archive = arg;
        } else {
            reader.FilesList.push_back(arg);
        }
    }
    if (!archive) {
        context.err << "Usage: " << usage() << "\n";
        return ExitUsage;
    }
    reader.setZipName(*archive);
    reader.setDestDir(destDir);
    reader.DoAll = reader.FilesList.empty();
    int failures = 0;
    // A mask that selects no entry extracts nothing the user asked for.
    const NameSelection requested(reader.FilesList);
    int selected = 0;
    int kept = 0;
    reader.OnStartUnZipInfo = [&](int count, std::uint64_t, bool&) {
        selected = count;
        // A folder is in the archive also where --no-paths leaves nothing to do for it.
        std::vector<std::string> stored;
        for (int i = 0; i < reader.Count(); ++i)
            stored.push_back(reader.Entry(i).storedName());
        for (const std::string& item : requested.unmatched(stored)) {
            ++failures;
            context.err << item << ": not found in the archive\n";
        }
    };
    reader.OnUnZipError = [&](int, const std::string& name, const std::string& message) {
        ++failures;
        context.err << name << ": " << message << "\n";
    };
    reader.OnBadCRC = [&](std::uint32_t, std::uint32_t, int index) {
        ++failures;
        context.err << reader.Entry(index).storedName() << ": CRC error, not extracted\n";
    };
    reader.OnSkippingFile = [&](TSkipReason reason, const std::string& name, int, bool&) {
        if (reason == SkipBadPassword) {
            ++failures;
            context.err << name << ": the password is incorrect, not extracted\n";
        } else if (reason == SkipNoOverwrite) {
            ++kept;
            context.err << name << ": exists, kept\n";
        }
    };
    int count = 0;
    reader.OnUnZipComplete = [&](int extracted) { count = extracted; };
    try {
        reader.UnZip();
    } catch (const Error& error) {
        // A full disk ends the extraction: what was extracted and what was not are said too.
        context.err << error.what() << "\n";
        if (selected > 0)
            context.out << count << (count == 1 ? " entry" : " entries") << " extracted, "
                        << std::max(selected - count - kept, 0) << " not\n";
        return ExitFailure;
    }
    context.out << count << (count == 1 ? " entry" : " entries") << " extracted\n";
    return failures == 0 ? ExitOk : ExitFailure;
}

} // namespace quorvel::cli
