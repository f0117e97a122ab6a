#pragma once

#include "core/ini/ini_document.h"
#include "core/util/date_time.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel {

// A backup run's note of what it still has to record, kept in the project's section of
// StoreNumber.txt from just before its archive takes its final name until "Value" and
// "NewDateTime" are written. A run stopped in between (killed, power lost) leaves the note, and
// the next run of the project completes what is missing. Programs that do not know these keys
// read the section as before.
struct RunJournal {
    std::string archive;            // the archive's final path
    std::string identity;           // device and inode of the file written: tells whether the rename happened
    int number = 0;                 // the running number used; 0 without the number suffix
    std::optional<DateTime> filter; // the new "NewDateTime", when the run moves it
    bool ring = true;               // whether the archive belongs in the retention ring
    std::string status;             // the log entry the run writes
    std::string information;
    std::vector<std::string> leaving; // archives that left the ring, once it is written
};

void writeRunJournal(IniDocument& doc, std::string_view project, const RunJournal& journal);
// nullopt when the section holds no note (or one without an archive).
std::optional<RunJournal> readRunJournal(const IniDocument& doc, std::string_view project);
void clearRunJournal(IniDocument& doc, std::string_view project);

// Device and inode of the file as text; empty when there is no such file. A rename keeps them,
// so the archive under its final name still shows the identity its temporary file had.
std::string fileIdentity(const std::string& path);

} // namespace quorvel
