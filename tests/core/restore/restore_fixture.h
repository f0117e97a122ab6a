#pragma once

#include "core/backup/operation_log.h"
#include "core/project/project_store.h"
#include "core/restore/restore_session.h"
#include "core/zip/zip_writer.h"
#include "support/recording_progress.h"
#include "support/scripted_prompts.h"
#include "support/test_clock.h"
#include "support/test_support.h"

#include <gtest/gtest.h>
#include <map>
#include <memory>

namespace quorvel::test {

class CountingQuestions final : public ArchiveQuestions {
public:
    TIncompleteZipMode askIncompleteZip() override {
        ++asked;
        return answer;
    }
    TIncompleteZipMode answer = izAssumeNotAZip;
    int asked = 0;
};

using Files = std::map<std::string, std::string>; // stored name -> contents

// A data folder with one project "Docs", an archive folder and an empty restore folder, and a
// restore session working on them as the Restore page does.
class RestoreFixture : public ::testing::Test {
protected:
    RestoreFixture() {
        writeFile(dir / "project.ini",
                  "[Common]\nProject Count=1\nCount0=Docs\n\n[Docs]\nSave Path=" + archives().string() + "/\n");
        fs::create_directories(archives());
        fs::create_directories(out());
        session = std::make_unique<RestoreSession>(RestoreServices{prompts, progress, questions, log, store});
    }

    fs::path archives() const { return dir / "archives"; }
    fs::path out() const { return dir / "out"; }

    // Writes the files below a fresh source folder, each with the given modification time, and
    // zips them with stored relative paths into archives()/name.
    fs::path makeArchive(const std::string& name, const Files& files, const std::string& password = {}, int level = 6,
                         std::time_t modified = 1700000000) {
        const fs::path source = dir / ("src-" + name);
        for (const auto& [stored, contents] : files) {
            writeFile(source / stored, contents);
            setModificationTime(source / stored, modified);
        }
        TZipWriter writer;
        writer.setZipName((archives() / name).string());
        writer.setRootDir(source.string() + "/");
        writer.StorePaths = true;
        writer.RelativePaths = true;
        writer.Recurse = true;
        writer.PackLevel = level;
        writer.Password = password;
        writer.FilesList = {source.string() + "/*"};
        writer.Zip();
        return archives() / name;
    }

    RestoreRequest request(const std::string& archiveName, std::vector<std::string> entries = {}) const {
        RestoreRequest r;
        r.archiveFolder = archives().string();
        r.archiveName = archiveName;
        r.entries = std::move(entries);
        r.options.destDir = out().string();
        r.projectName = "Docs";
        return r;
    }

    std::vector<LogRow> logEntries() {
        OperationLog fresh(dir / "log.txt", clock);
        fresh.LoadLog();
        std::vector<LogRow> rows;
        for (int r = 1; r <= fresh.count(); ++r)
            rows.push_back(fresh.row(r));
        return rows;
    }

    TempDir dir;
    TestClock clock{DateTime{2026, 12, 7, 23, 16, 6}};
    ProjectStore store{dir / "project.ini", clock};
    OperationLog log{dir / "log.txt", clock};
    ScriptedPrompts prompts;
    RecordingProgress progress;
    CountingQuestions questions;
    std::unique_ptr<RestoreSession> session;
};

} // namespace quorvel::test
