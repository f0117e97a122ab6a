#include "core/backup/retention.h"
#include "core/project/project_names.h"
#include "project_operations_fixture.h"

#include <algorithm>
#include <sys/wait.h>
#include <unistd.h>

using namespace quorvel;
using namespace quorvel::test;

namespace {

// The project as found in the data folder: the listed name that is either of the two, with
// its settings and its ring.
struct Found {
    std::vector<std::string> listed;
    BackupProject project;
    IniDocument rings;
};

struct RenameCrashTest : ProjectOperationsTest {
    void SetUp() override {
        addProject("Docs");
        addProject("Zeta");
        IniFile ring(dir / "StoreNumber.txt");
        for (int n = 1; n <= 2; ++n) {
            writeFile(archive(n), "zip");
            ApplyRetention(ring, "Docs", archive(n), 3, archiveOwner());
        }
        IniFile(dir / "schedule.ini").writeString("Docs", "Last Served", "2026-12-07 08:00:00");
    }

    // Renames Docs to Papers in a child process that dies at once after `step`.
    void renameDyingAfter(const std::string& step) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ops.setStepHook([&](std::string_view done) {
                if (done == step)
                    _exit(0);
            });
            try {
                ops.rename("Docs", "Papers", store.load("Docs"), "/b/Docs3.zip");
            } catch (...) {
            }
            _exit(3); // the step never came
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        ASSERT_EQ(WEXITSTATUS(status), 0) << "the child did not reach " << step;
    }

    // Exactly one of the two names holds the whole project: settings, password and ring.
    std::string projectIsWhole() {
        const std::vector<std::string> listed = ProjectStore::readProjectList(projectIni());
        const bool old = findProjectName(listed, "Docs") >= 0, renamed = findProjectName(listed, "Papers") >= 0;
        EXPECT_NE(old, renamed);
        EXPECT_EQ(listed.size(), 2u);
        const std::string name = old ? "Docs" : "Papers";
        BackupProject p = store.load(name);
        EXPECT_EQ(p.backupItems, settings(name).backupItems);
        EXPECT_EQ(p.password, "secret");
        IniFile ring(dir / "StoreNumber.txt");
        EXPECT_EQ(ring.readString(name, "N1"), archive(1));
        EXPECT_EQ(ring.readString(name, "N2"), archive(2));
        EXPECT_EQ(ring.readInteger(name, "Head", 0), 2);
        EXPECT_EQ(IniFile(dir / "schedule.ini").readString(name, "Last Served"), "2026-12-07 08:00:00");
        return name;
    }
};

} // namespace

struct RenameStopTest : RenameCrashTest, ::testing::WithParamInterface<std::pair<const char*, const char*>> {};

TEST_P(RenameStopTest, AStopAfterAnyWriteLeavesTheProjectWholeUnderOneName) {
    const auto& [step, expected] = GetParam();
    renameDyingAfter(step);
    EXPECT_EQ(projectIsWhole(), expected);
}

INSTANTIATE_TEST_SUITE_P(Steps, RenameStopTest,
                         ::testing::Values(std::pair{"ring copied", "Docs"}, std::pair{"served record copied", "Docs"},
                                           std::pair{"project written", "Papers"},
                                           std::pair{"old ring erased", "Papers"},
                                           std::pair{"old served record erased", "Papers"}),
                         [](const auto& step) {
                             std::string name = step.param.first;
                             std::replace(name.begin(), name.end(), ' ', '_');
                             return name;
                         });

TEST_F(RenameCrashTest, ALeftoverRingIsNeverInheritedByTheNextProjectOfThatName) {
    renameDyingAfter("ring copied"); // a copy of Docs' ring lies under "Papers" now
    ops.create(settings("papers"), "/b/papers1.zip");
    EXPECT_FALSE(IniDocument::parse(readFile(dir / "StoreNumber.txt")).hasSection("Papers"));
    // Its first runs must not delete Docs' archives.
    IniFile ring(dir / "StoreNumber.txt");
    for (int n = 5; n <= 7; ++n) {
        writeFile(archive(n), "zip");
        ApplyRetention(ring, "papers", archive(n), 2, archiveOwner());
    }
    EXPECT_TRUE(fs::exists(archive(1)) && fs::exists(archive(2)));
    EXPECT_EQ(ring.readString("Docs", "N1"), archive(1));
    EXPECT_EQ(ring.readString("Docs", "N2"), archive(2));
}

TEST_F(RenameCrashTest, AFailedWriteKeepsTheOldNameAndTheRenameCanBeRepeated) {
    ops.setStepHook([](std::string_view step) {
        if (step == "ring copied")
            throw IoError("disk full");
    });
    EXPECT_THROW(ops.rename("Docs", "Papers", store.load("Docs"), "/b/Docs3.zip"), IoError);
    EXPECT_EQ(projectIsWhole(), "Docs");
    ops.setStepHook({});
    ops.rename("Docs", "Papers", store.load("Docs"), "/b/Docs3.zip");
    EXPECT_EQ(projectIsWhole(), "Papers");
    EXPECT_FALSE(IniDocument::parse(readFile(dir / "StoreNumber.txt")).hasSection("Docs"));
}
