#pragma once

#include "cli/cli_app.h"
#include "support/test_support.h"

#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace quorvel::test {

struct CliRun {
    int code = -1;
    std::string out, err;
};

// The command-line program run in this process on the data folder `data`.
inline CliRun runCliOn(const fs::path& data, std::vector<std::string> args) {
    args.insert(args.begin(), {"--data-dir", data.string()});
    std::ostringstream out, err;
    const int code = cli::runCli(args, out, err);
    return {code, out.str(), err.str()};
}

// A temporary folder for archives and their files, with the program's data folder in data/ and
// the output of the last command kept.
struct CliOnArchives : ::testing::Test {
    TempDir dir;
    std::string out, err;

    int cli(std::vector<std::string> args) {
        CliRun run = runCliOn(dir / "data", std::move(args));
        out = std::move(run.out);
        err = std::move(run.err);
        return run.code;
    }
    std::string path(const std::string& name) { return (dir / name).string(); }
};

} // namespace quorvel::test
