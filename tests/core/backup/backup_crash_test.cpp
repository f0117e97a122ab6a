// A run killed after each durable step of what it records, and the runs that follow it.
#include "backup_run_fixture.h"

#include "core/ini/ini_file.h"
#include "core/project/project_store.h"

#include <algorithm>
#include <csignal>
#include <set>
#include <sys/wait.h>
#include <tuple>
#include <unistd.h>

using namespace quorvel;
using namespace quorvel::test;

using Strings = std::vector<std::string>;

namespace {

const char* stepName(RunStep step) {
    switch (step) {
    case RunStep::JournalWritten:
        return "JournalWritten";
    case RunStep::ArchivePlaced:
        return "ArchivePlaced";
    case RunStep::RingRecorded:
        return "RingRecorded";
    case RunStep::Logged:
        return "Logged";
    case RunStep::OldArchivesRemoved:
        return "OldArchivesRemoved";
    case RunStep::ProjectAdvanced:
        return "ProjectAdvanced";
    case RunStep::JournalCleared:
        return "JournalCleared";
    }
    return "?";
}

} // namespace

namespace quorvel {
void PrintTo(RunStep step, std::ostream* out) {
    *out << stepName(step);
}
} // namespace quorvel

namespace {

// The step at which the run is killed, whether "Overwrite" is on, and whether the program is
// started again (the project and the log loaded afresh) or the window stayed open meanwhile.
using CrashCase = std::tuple<RunStep, bool, bool>;

class CrashedRun : public BackupRunFixture, public ::testing::WithParamInterface<CrashCase> {
protected:
    // Runs the project in a child process that is killed (SIGKILL) right after `step`.
    void runKilledAfter(RunStep step) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            BackupRunner runner(DataFiles{data}, log, clock, disks);
            runner.setStepObserver([step](RunStep reached) {
                if (reached == step)
                    ::raise(SIGKILL);
            });
            runner.run(controls, settings, prompts, progress);
            ::_exit(3);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "the run never reached the step";
    }

    void restart() {
        controls.project = m_store.load("Docs");
        refreshField();
        log.LoadLog();
    }

    // The archives of the ring, as StoreNumber.txt names them.
    Strings ring() const {
        Strings names;
        const IniDocument doc = IniFile(data / "StoreNumber.txt").read();
        const int max = doc.readInteger("Docs", "Max", 2);
        for (int slot = 1; slot <= max; ++slot) {
            const std::string name = doc.readString("Docs", "N" + std::to_string(slot));
            if (!name.empty())
                names.push_back(name);
        }
        return names;
    }

    // The archives in the destination folder (not the hidden files a killed run leaves).
    Strings archives() const {
        Strings names;
        for (const std::string& name : destNames())
            if (!name.starts_with("."))
                names.push_back(archive(name));
        return names;
    }

    // Log entries that report the archive as written.
    int timesLogged(const std::string& path) const {
        OperationLog fresh(data / "log.txt", clock);
        fresh.LoadLog();
        int count = 0;
        for (int row = 1; row <= fresh.count(); ++row)
            if (fresh.row(row)[LogColumnStatus] == "Succeeds" &&
                fresh.row(row)[LogColumnInformation].find(path) != std::string::npos)
                ++count;
        return count;
    }

    ProjectStore m_store{data / "project.ini", clock};
};

} // namespace

TEST_P(CrashedRun, TheNextRunsFindAConsistentStateAndKeepTheLastTwo) {
    const auto [step, overwrite, restarted] = GetParam();
    SCOPED_TRACE(std::string(stepName(step)) + (overwrite ? ", overwrite" : ", skip") +
                 (restarted ? ", restarted" : ", window left open"));
    settings.overwrite = overwrite;
    controls.project.storeNumber = 2;
    m_store.save(controls.project, controls.fileNameField);
    restart();

    Strings placed; // every archive that took its final name, oldest first
    for (int n = 1; n <= 2; ++n) {
        BackupOutcome outcome = run();
        ASSERT_EQ(outcome.status, BackupStatus::Succeeded) << outcome.message;
        placed.push_back(outcome.archivePath);
    }
    writeFile(src / "third.txt", "written before the killed run");
    runKilledAfter(step);
    if (step != RunStep::JournalWritten)
        placed.push_back(archive("Docs3.zip"));
    if (restarted)
        restart();

    for (int k = 0; k < 3; ++k) {
        clock.value = addSeconds(clock.value, 60);
        writeFile(src / "later.txt", "run " + std::to_string(k));
        BackupOutcome outcome = run();
        ASSERT_EQ(outcome.status, BackupStatus::Succeeded) << outcome.message;
        EXPECT_EQ(std::count(placed.begin(), placed.end(), outcome.archivePath), 0) << outcome.archivePath;
        placed.push_back(outcome.archivePath);

        const Strings inRing = ring();
        EXPECT_EQ(std::set<std::string>(inRing.begin(), inRing.end()).size(), inRing.size()) << "twice in the ring";
        for (auto kept = placed.end() - 2; kept != placed.end(); ++kept)
            EXPECT_TRUE(fs::exists(*kept)) << *kept << " deleted";
    }
    if (step != RunStep::JournalWritten) {
        EXPECT_EQ(timesLogged(archive("Docs3.zip")), 1);
    }
    EXPECT_EQ(archives(), Strings(placed.end() - 2, placed.end()));
    Strings inRing = ring();
    std::sort(inRing.begin(), inRing.end());
    EXPECT_EQ(inRing, archives());
}

std::string caseName(const ::testing::TestParamInfo<CrashCase>& info) {
    return std::string(stepName(std::get<0>(info.param))) + (std::get<1>(info.param) ? "_Overwrite" : "_Skip") +
           (std::get<2>(info.param) ? "_Restarted" : "_WindowOpen");
}

INSTANTIATE_TEST_SUITE_P(EveryStep, CrashedRun,
                         ::testing::Combine(::testing::Values(RunStep::JournalWritten, RunStep::ArchivePlaced,
                                                              RunStep::RingRecorded, RunStep::Logged,
                                                              RunStep::OldArchivesRemoved, RunStep::ProjectAdvanced,
                                                              RunStep::JournalCleared),
                                            ::testing::Bool(), ::testing::Bool()),
                         caseName);
