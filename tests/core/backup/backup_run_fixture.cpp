#include "backup_run_fixture.h"

#include "core/ini/ini_file.h"
#include "core/zip/zip_errors.h"

namespace quorvel::test {

namespace {

class FailingOutput final : public ZipOutput {
public:
    FailingOutput(std::unique_ptr<ZipOutput> inner, std::uint64_t limit) : m_inner(std::move(inner)), m_limit(limit) {}
    void write(const void* data, std::size_t size) override {
        if (m_inner->position() + size > m_limit)
            throw ENotEnoughRoom();
        m_inner->write(data, size);
    }
    std::uint64_t position() const override { return m_inner->position(); }
    void rewrite(std::uint64_t offset, const void* data, std::size_t size) override {
        m_inner->rewrite(offset, data, size);
    }
    void truncate(std::uint64_t offset) override { m_inner->truncate(offset); }
    void finish() override { m_inner->finish(); }
    void discard() noexcept override { m_inner->discard(); }

private:
    std::unique_ptr<ZipOutput> m_inner;
    std::uint64_t m_limit;
};

} // namespace

std::unique_ptr<ZipOutput> FailingWriter::openOutput(const std::string& path) {
    return std::make_unique<FailingOutput>(TZipWriter::openOutput(path), m_limit);
}

BackupRunFixture::BackupRunFixture() {
    fs::create_directories(data);
    writeFile(src / "a.txt", compressibleText(20000, 1));
    writeFile(src / "b.bin", randomBytes(5000, 2));
    writeFile(src / "sub/c.txt", "inner");

    BackupProject& p = controls.project;
    p.name = "Docs";
    p.filenamePrefix = "Docs";
    p.suffix = SuffixMode::Number;
    p.nextNumber = 1;
    p.increaseValue = 1;
    p.savePath = dest.string() + "/";
    p.backupItems = {(src / "*.*").string()};
    p.includeSubfolders = true;
    p.usePassword = false;
    p.storePaths = false;
    p.storeComment = false;
    p.filterDateTime = DateTime{2000, 1, 1, 0, 0, 0};
    refreshField();
}

BackupOutcome BackupRunFixture::run(BackupRunner::WriterFactory makeWriter) {
    BackupRunner runner(DataFiles{data}, log, clock, disks, std::move(makeWriter));
    return runner.run(controls, settings, prompts, progress);
}

BackupOutcome BackupRunFixture::runAnswering(std::deque<bool> answers) {
    ScriptedPrompts scripted(std::move(answers));
    BackupRunner runner(DataFiles{data}, log, clock, disks);
    BackupOutcome outcome = runner.run(controls, settings, scripted, progress);
    prompts = scripted;
    return outcome;
}

std::vector<std::string> BackupRunFixture::entries(const std::string& archivePath) {
    TZipReader reader;
    reader.setZipName(archivePath);
    reader.ReadZip();
    std::vector<std::string> names;
    for (int i = 0; i < reader.Count(); ++i)
        names.push_back(reader.Entry(i).storedName());
    std::sort(names.begin(), names.end());
    return names;
}

std::string BackupRunFixture::projectKey(const std::string& key) const {
    return IniFile(data / "project.ini").readString("Docs", key, "(missing)");
}

std::vector<std::string> BackupRunFixture::destNames() const {
    std::vector<std::string> names;
    if (fs::exists(dest)) {
        for (const auto& entry : fs::directory_iterator(dest))
            names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace quorvel::test
