#pragma once

#include "core/backup/retention.h"

#include "core/project/project_operations.h"
#include "core/project/project_store.h"
#include "support/test_clock.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

namespace quorvel::test {

// A data folder with the project commands and the store that reads what they wrote.
struct ProjectOperationsTest : ::testing::Test {
    TempDir dir;
    TestClock clock{DateTime{2026, 12, 7, 23, 16, 6}};
    ProjectStore store{dir / "project.ini", clock};
    ProjectOperations ops{DataFiles{dir.path()}};

    // Complete settings of a project that Save Project accepts, with a password.
    BackupProject settings(const std::string& name) const {
        BackupProject p;
        p.name = name;
        p.filenamePrefix = "Docs";
        p.savePath = "/b/";
        p.backupItems = {"/home/u/a.txt", "/home/u/Data/*.doc"};
        p.excludeItems = {"*.tmp"};
        p.password = p.confirmPassword = "secret";
        p.filterDateTime = DateTime{2025, 1, 2, 3, 4, 5};
        return p;
    }
    void addProject(const std::string& name) { ops.create(settings(name), "/b/" + name + "1.zip"); }
    IniDocument projectIni() const { return IniDocument::parse(readFile(dir / "project.ini")); }
    std::string archive(int n) const { return (dir / "out" / ("Docs" + std::to_string(n) + ".zip")).string(); }
    // Retention may remove the archives above.
    ArchiveOwner archiveOwner() const { return {(dir / "out").string(), "Docs"}; }
};

} // namespace quorvel::test
