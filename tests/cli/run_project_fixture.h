#pragma once

#include "cli_run.h"
#include "core/ini/ini_file.h"
#include "core/project/project_store.h"
#include "core/util/strings.h"
#include "support/test_support.h"

#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

namespace quorvel::test {

using IniKeys = std::vector<std::pair<std::string, std::string>>;

// A data folder with projects that back up src/ (a text file and a binary one below it) into dest/.
class RunProjectFixture : public ::testing::Test {
protected:
    RunProjectFixture() {
        writeFile(src / "a.txt", compressibleText(30000, 1));
        writeFile(src / "sub/b.bin", randomBytes(4000, 2));
        fs::create_directories(dir / "data");
    }

    // Adds the project to the list; `keys` override the defaults of its section.
    void writeProject(const std::string& name, const IniKeys& keys) {
        IniFile(dir / "data/project.ini").edit([&](IniDocument& doc) {
            std::vector<std::string> names = ProjectStore::readProjectList(doc);
            names.push_back(name);
            ProjectStore::writeProjectList(doc, names);
            const IniKeys defaults = {{"Save Path", dest.string() + "/"},
                                      {"Backup Directory Count", "1"},
                                      {"Backup0", (src / "*.*").string()},
                                      {"Whether password Project", "0"},
                                      {"Whether store path in Zip", "0"}};
            for (const IniKeys* list : {&defaults, &keys}) {
                for (const auto& [key, value] : *list)
                    doc.writeString(name, key, value);
            }
        });
    }

    void writeCommon(const std::string& key, const std::string& value) {
        IniFile(dir / "data/project.ini").writeString("Common", key, value);
    }

    CliRun cli(std::vector<std::string> args) { return runCliOn(dir / "data", std::move(args)); }

    TempDir dir;
    fs::path src = dir / "src";
    fs::path dest = dir / "dest";
};

} // namespace quorvel::test
