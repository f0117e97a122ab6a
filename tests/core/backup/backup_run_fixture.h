#pragma once

#include "core/backup/backup_runner.h"
#include "core/zip/zip_writer.h"
#include "support/recording_progress.h"
#include "support/scripted_prompts.h"
#include "support/test_clock.h"
#include "support/test_support.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace quorvel::test {

class FakeDisks final : public DiskInfo {
public:
    DriveType type = DriveType::Fixed;
    std::uint64_t free = 1ull << 40; // on every disk put in the drive
    mutable std::vector<std::string> asked;
    DriveType driveType(const std::filesystem::path& path) const override {
        asked.push_back(path.string());
        return type;
    }
    std::uint64_t freeSpace(const std::filesystem::path&) const override { return free; }
};

// Remembers the writer's settings at the moment it opens its output.
class InspectingWriter final : public TZipWriter {
public:
    struct Seen {
        std::string path;
        TMultiZipInfo multi;
    };
    explicit InspectingWriter(std::vector<Seen>& seen) : m_seen(seen) {}

protected:
    std::unique_ptr<ZipOutput> openOutput(const std::string& path) override {
        m_seen.push_back({path, MultiZipInfo});
        return TZipWriter::openOutput(path);
    }

private:
    std::vector<Seen>& m_seen;
};

// A project "Docs" backing up src/*.* into dest/ with the number suffix, next number 1.
class BackupRunFixture : public ::testing::Test {
protected:
    BackupRunFixture();

    BackupOutcome run(BackupRunner::WriterFactory makeWriter = {});
    BackupOutcome runAnswering(std::deque<bool> answers);

    std::string archive(const std::string& name) const { return (dest / name).string(); }
    // Stored names of the archive's entries, sorted.
    static std::vector<std::string> entries(const std::string& archivePath);
    // The log's newest entry as its grid row.
    const LogRow& newestLog() const { return log.row(1); }
    std::string projectKey(const std::string& key) const;
    // The run showed exactly one message: this one (0 seconds for a box that waits for OK).
    void expectOnlyMessage(const std::string& text, MessageKind kind, int seconds = 0) const;
    // Names in dest/ (hidden ones included), sorted.
    std::vector<std::string> destNames() const;
    void refreshField() { controls.fileNameField = previewFileName(controls.project, settings, clock); }

    TempDir dir;
    fs::path src = dir / "src";
    fs::path dest = dir / "dest";
    fs::path data = dir / "data";
    TestClock clock{DateTime{2026, 3, 14, 10, 0, 5}};
    FakeDisks disks;
    OperationLog log{data / "log.txt", clock};
    AppSettings settings;
    BackupControls controls;
    ScriptedPrompts prompts;
    RecordingProgress progress;
};

} // namespace quorvel::test
