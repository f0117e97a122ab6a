#include "backup_run_fixture.h"

#include "core/ini/ini_file.h"

namespace quorvel::test {

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

void BackupRunFixture::expectOnlyMessage(const std::string& text, MessageKind kind, int seconds) const {
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text, text);
    EXPECT_EQ(prompts.messages[0].kind, kind);
    EXPECT_EQ(prompts.messages[0].seconds, seconds);
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
