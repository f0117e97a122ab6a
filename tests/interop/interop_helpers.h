#pragma once

#include "core/util/user_prompts.h"
#include "core/zip/zip_test_helpers.h"
#include "support/test_support.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace quorvel::test {

// The peer the interop tests run as Python's zipfile.
inline const std::string Python = PythonInterpreter.string();

// The same tree listing the zip tests use.
inline auto filesBelow(const fs::path& root) {
    return treeOf(root);
}

inline bool havePeers() {
    return haveTool("unzip") && haveTool("zip") && haveTool("7zz") && fs::exists(Python);
}

#define REQUIRE_PEERS()                                                                                                \
    if (!::quorvel::test::havePeers())                                                                                 \
    GTEST_SKIP() << "zip, unzip, 7zz or " << ::quorvel::test::Python << " is not installed"

inline std::string runOk(const std::vector<std::string>& argv, const fs::path& cwd = {}) {
    ProcessResult result = runProcess(argv, cwd);
    EXPECT_EQ(result.exitCode, 0) << argv[0] << " " << (argv.size() > 1 ? argv[1] : "") << ":\n" << result.output;
    return result.output;
}

// A user who answers Yes and OK to everything; what they are shown is kept.
class AnswersYes final : public UserPrompts {
public:
    bool askYesNo(const std::string&, MessageKind) override { return true; }
    bool askOkCancel(const std::string&, MessageKind) override { return true; }
    void showMessage(const std::string& text, MessageKind) override { shown.push_back(text); }
    void showTimedMessage(const std::string& text, MessageKind, int) override { shown.push_back(text); }
    std::vector<std::string> shown;
};

} // namespace quorvel::test
