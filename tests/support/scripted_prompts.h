#pragma once

#include "core/util/user_prompts.h"

#include <deque>
#include <functional>
#include <gtest/gtest.h>
#include <initializer_list>
#include <string>
#include <vector>

namespace quorvel::test {

// Answers questions from a script and records everything shown. A question beyond the script
// fails the test, unless yesBeyondScript is set.
class ScriptedPrompts : public UserPrompts {
public:
    struct Shown {
        std::string text;
        MessageKind kind;
        int seconds; // 0 for a box that waits for OK, and for questions
    };

    explicit ScriptedPrompts(std::deque<bool> script = {}) : answers(std::move(script)) {}

    bool askYesNo(const std::string& text, MessageKind kind) override { return answer(text, kind); }
    bool askOkCancel(const std::string& text, MessageKind kind) override { return answer(text, kind); }
    ToAllAnswer askYesNoToAll(const std::string& text, MessageKind kind) override {
        if (toAllAnswers.empty())
            return answer(text, kind) ? ToAllAnswer::Yes : ToAllAnswer::No;
        asked(text, kind);
        const ToAllAnswer next = toAllAnswers.front();
        toAllAnswers.pop_front();
        return next;
    }
    void showMessage(const std::string& text, MessageKind kind) override { shown({text, kind, 0}); }
    void showTimedMessage(const std::string& text, MessageKind kind, int seconds) override {
        shown({text, kind, seconds});
    }

    // Adds answers to the end of the script.
    void queue(std::initializer_list<bool> more) { answers.insert(answers.end(), more); }

    std::deque<bool> answers; // for askYesNo and askOkCancel, and askYesNoToAll beyond toAllAnswers
    std::deque<ToAllAnswer> toAllAnswers;
    bool yesBeyondScript = false;
    std::vector<Shown> questions;
    std::vector<Shown> messages;
    std::vector<std::string> said; // the text of every question and message, in order
    // Runs before a question is answered, while the one who asked waits for the answer.
    std::function<void(const std::string& question)> whileAsked;
    // Called with every message as it is shown.
    std::function<void(const Shown&)> onMessage;

protected:
    // Every question and message passes here first (the window tests check the thread).
    virtual void noteCall() {}

private:
    void asked(const std::string& text, MessageKind kind) {
        noteCall();
        questions.push_back({text, kind, 0});
        said.push_back(text);
        if (whileAsked)
            whileAsked(text);
    }
    void shown(const Shown& message) {
        noteCall();
        messages.push_back(message);
        said.push_back(message.text);
        if (onMessage)
            onMessage(message);
    }
    bool answer(const std::string& text, MessageKind kind) {
        asked(text, kind);
        if (answers.empty()) {
            if (!yesBeyondScript)
                ADD_FAILURE() << "unexpected question: " << text;
            return yesBeyondScript;
        }
        const bool next = answers.front();
        answers.pop_front();
        return next;
    }
};

} // namespace quorvel::test
