#pragma once

#include "core/project/fixed_clock.h"
#include "core/util/user_prompts.h"

#include <deque>
#include <string>
#include <vector>

namespace quorvel::test {

// Answers questions from a script and records everything the window says.
class ScriptedPrompts final : public UserPrompts {
public:
    std::deque<bool> answers; // for askYesNo / askOkCancel; an empty script answers yes
    std::vector<std::string> said;

    bool askYesNo(const std::string& text, MessageKind) override { return answer(text); }
    bool askOkCancel(const std::string& text, MessageKind) override { return answer(text); }
    void showMessage(const std::string& text, MessageKind) override { said.push_back(text); }
    void showTimedMessage(const std::string& text, MessageKind, int) override { said.push_back(text); }

private:
    bool answer(const std::string& text) {
        said.push_back(text);
        if (answers.empty())
            return true;
        bool a = answers.front();
        answers.pop_front();
        return a;
    }
};
} // namespace quorvel::test
