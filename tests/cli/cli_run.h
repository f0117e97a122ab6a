#pragma once

#include "cli/cli_app.h"
#include "support/test_support.h"

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

} // namespace quorvel::test
