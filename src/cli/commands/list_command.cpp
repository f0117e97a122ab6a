#include "cli/commands/list_command.h"

#include "core/zip/zip_reader.h"

#include <cstdio>

namespace quorvel::cli {

std::string ListCommand::usage() const {
    return "list ARCHIVE\n"
           "    One line per entry: name, size, compressed size, method, CRC-32, date-time, \"encrypted\" or \"-\";\n"
           "    exit 1 when entries share their data (a zip bomb construction)";
}

namespace {

std::string methodName(std::uint16_t method) {
    switch (method) {
    case 0:
        return "stored";
    case 8:
        return "deflated";
    default:
        return "method " + std::to_string(method);
    }
}

} // namespace

int ListCommand::run(CliContext& context) {
    if (context.args.size() != 1) {
        context.err << "Usage: " << usage() << "\n";
        return ExitUsage;
    }
    TZipReader reader;
    reader.setZipName(context.args[0]);
    reader.IncompleteZipMode = izAssumeNotAZip;
    reader.ReadZip();
    for (int i = 0; i < reader.Count(); ++i) {
        const TZipHeaderInfo& e = reader.Entry(i);
        char crc[9];
        std::snprintf(crc, sizeof crc, "%08X", e.crc32);
        context.out << e.storedName() << '\t' << e.uncompressedSize << '\t' << e.compressedSize << '\t'
                    << methodName(e.compressionMethod) << '\t' << crc << '\t' << formatDateTime(reader.FileDateTime(i))
                    << '\t' << (e.isEncrypted() ? "encrypted" : "-") << "\n";
    }
    if (reader.overlappingEntries()) {
        context.err << reader.overlapMessage() << "; it is listed, but not tested, extracted or changed\n";
        return ExitFailure;
    }
    return ExitOk;
}

} // namespace quorvel::cli
