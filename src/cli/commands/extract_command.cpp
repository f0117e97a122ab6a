#include "cli/commands/extract_command.h"

#include "cli/commands/archive_args.h"
#include "core/zip/zip_reader.h"

#include <algorithm>
#include <map>

namespace quorvel::cli {

std::string ExtractCommand::usage() const {
    return "extract ARCHIVE [-d DIR] [--no-paths] [-o always|never|newer|older] [--password-file FILE] [--exact]\n"
           "        [MASK...]\n"
           "    Extracts every entry, or those matching a MASK, into DIR (default: the current folder);\n"
           "    existing files are kept unless -o says otherwise; with --exact each MASK is a stored name\n"
           "    taken literally, \"*\" and \"?\" included";
}

namespace {

struct ExtractArguments {
    std::string archive;
    std::string destDir;
    bool exact = false;
    std::vector<std::string> names; // masks, or stored names with --exact
};

// Reads the options that set the reader up; nullopt for wrong usage.
std::optional<ExtractArguments> readArguments(const std::vector<std::string>& all, TZipReader& reader) {
    static const std::map<std::string, TUZOverwriteMode> modes{
        {"always", Always}, {"never", Never}, {"newer", ifNewer}, {"older", ifOlder}};
    ExtractArguments arguments;
    bool haveArchive = false;
    ArgCursor args(all);
    while (!args.atEnd()) {
        std::string arg = args.take();
        if (arg == "--no-paths") {
            reader.RecreateDirs = false;
        } else if (arg == "--exact") {
            arguments.exact = true;
        } else if (arg == "-d" || arg == "-o" || arg == "--password-file") {
            std::optional<std::string> value = args.value();
            if (!value || (arg == "-o" && !modes.count(*value)))
                return std::nullopt;
            if (arg == "-d")
                arguments.destDir = *value;
            else if (arg == "-o")
                reader.OverwriteMode = modes.at(*value);
            else
                reader.Password = readPasswordFile(*value);
        } else if (!haveArchive) {
            arguments.archive = arg;
            haveArchive = true;
        } else {
            arguments.names.push_back(arg);
        }
    }
    if (!haveArchive)
        return std::nullopt;
    return arguments;
}

// What the extraction tells the user about each entry it could not extract, and its counts. The
// reader's handlers refer to it: it lives as long as the reader runs and is not copied.
class ExtractReport {
public:
    ExtractReport(TZipReader& reader, std::ostream& err) {
        // A name that selects no entry extracts nothing the user asked for.
        reader.OnNoSuchEntry = [this, &err](const std::string& name) {
            ++m_failures;
            err << name << ": not found in the archive\n";
        };
        reader.OnStartUnZipInfo = [this](int count, std::uint64_t, bool&) { m_selected = count; };
        reader.OnUnZipError = [this, &err](int, const std::string& name, const std::string& message) {
            ++m_failures;
            err << name << ": " << message << "\n";
        };
        reader.OnBadCRC = [this, &err, &reader](std::uint32_t, std::uint32_t, int index) {
            ++m_failures;
            err << reader.Entry(index).storedName() << ": CRC error, not extracted\n";
        };
        reader.OnSkippingFile = [this, &err](TSkipReason reason, const std::string& name, int, bool&) {
            if (reason == SkipBadPassword) {
                ++m_failures;
                err << name << ": the password is incorrect, not extracted\n";
            } else if (reason == SkipNoOverwrite) {
                ++m_kept;
                err << name << ": exists, kept\n";
            }
        };
        reader.OnUnZipComplete = [this](int extracted) { m_extracted = extracted; };
    }

    ExtractReport(const ExtractReport&) = delete;
    ExtractReport& operator=(const ExtractReport&) = delete;

    int finished(std::ostream& out) const {
        out << m_extracted << entries() << " extracted\n";
        return m_failures == 0 ? ExitOk : ExitFailure;
    }

    // An error that ended the extraction (a full disk): what was extracted and what was not are said too.
    int ended(const Error& error, std::ostream& out, std::ostream& err) const {
        err << error.what() << "\n";
        if (m_selected > 0)
            out << m_extracted << entries() << " extracted, " << std::max(m_selected - m_extracted - m_kept, 0)
                << " not\n";
        return ExitFailure;
    }

private:
    const char* entries() const { return m_extracted == 1 ? " entry" : " entries"; }

    int m_failures = 0;
    int m_selected = 0;
    int m_kept = 0;
    int m_extracted = 0;
};

} // namespace

int ExtractCommand::run(CliContext& context) {
    TZipReader reader;
    reader.RecreateDirs = true;
    reader.OverwriteMode = Never;
    reader.IncompleteZipMode = izAssumeNotAZip;
    const std::optional<ExtractArguments> arguments = readArguments(context.args, reader);
    if (!arguments) {
        context.err << "Usage: " << usage() << "\n";
        return ExitUsage;
    }
    reader.setZipName(arguments->archive);
    reader.setDestDir(arguments->destDir);
    reader.DoAll = arguments->names.empty();
    (arguments->exact ? reader.ExactNames : reader.FilesList) = arguments->names;
    ExtractReport report(reader, context.err);
    try {
        reader.UnZip();
    } catch (const Error& error) {
        return report.ended(error, context.out, context.err);
    }
    return report.finished(context.out);
}

} // namespace quorvel::cli
