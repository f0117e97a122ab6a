#pragma once

#include "core/util/user_prompts.h"

#include <deque>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace quorvel::test {

// Answers questions from a script and records everything shown.
class ScriptedPrompts : public UserPrompts {
public:
    struct Shown {
        std::string text;
        MessageKind kind;
        int seconds; // 0 for a box that waits for OK, and for questions
    };

    explicit ScriptedPrompts(std::deque<bool> answers = {}) : m_answers(std::move(answers)) {}

    bool askYesNo(const std::string& text, MessageKind kind) override { return answer(text, kind); }
    bool askOkCancel(const std::string& text, MessageKind kind) override { return answer(text, kind); }
    void showMessage(const std::string& text, MessageKind kind) override { shown({text, kind, 0}); }
    void showTimedMessage(const std::string& text, MessageKind kind, int seconds) override {
        shown({text, kind, seconds});
    }

    // Adds answers to the end of the script.
    void queue(std::initializer_list<bool> answers) { m_answers.insert(m_answers.end(), answers); }

    std::vector<Shown> questions;
    std::vector<Shown> messages;
    // Called with every message as it is shown.
    std::function<void(const Shown&)> onMessage;

private:
    void shown(const Shown& message) {
        messages.push_back(message);
        if (onMessage)
            onMessage(message);
    }
    bool answer(const std::string& text, MessageKind kind) {
        questions.push_back({text, kind, 0});
        if (m_answers.empty()) {
            ADD_FAILURE() << "unexpected question: " << text;
            return false;
        }
        bool result = m_answers.front();
        m_answers.pop_front();
        return result;
    }

    std::deque<bool> m_answers;
};

} // namespace quorvel::test
