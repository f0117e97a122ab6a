#pragma once

#include "core/project/fixed_clock.h"
#include "core/util/user_prompts.h"

#include <QCoreApplication>
#include <QThread>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace quorvel::test {

// Answers questions from a script and records everything the window says.
class ScriptedPrompts final : public UserPrompts {
public:
    std::deque<bool> answers; // for askYesNo / askOkCancel; an empty script answers yes
    // For askYesNoToAll; while empty it takes the next of `answers` as Yes or No.
    std::deque<ToAllAnswer> toAllAnswers;
    std::vector<std::string> said;
    // Runs before a question is answered, while the one who asked waits for the answer.
    std::function<void(const std::string& question)> whileAsked;
    // Set when anything reached these prompts off the window's thread.
    bool calledOffWindowThread = false;

    bool askYesNo(const std::string& text, MessageKind) override { return answer(text); }
    ToAllAnswer askYesNoToAll(const std::string& text, MessageKind) override {
        if (toAllAnswers.empty())
            return answer(text) ? ToAllAnswer::Yes : ToAllAnswer::No;
        say(text);
        if (whileAsked)
            whileAsked(text);
        const ToAllAnswer next = toAllAnswers.front();
        toAllAnswers.pop_front();
        return next;
    }
    bool askOkCancel(const std::string& text, MessageKind) override { return answer(text); }
    void showMessage(const std::string& text, MessageKind) override { say(text); }
    void showTimedMessage(const std::string& text, MessageKind, int) override { say(text); }

private:
    void say(const std::string& text) {
        calledOffWindowThread |= QThread::currentThread() != QCoreApplication::instance()->thread();
        said.push_back(text);
    }
    bool answer(const std::string& text) {
        say(text);
        if (whileAsked)
            whileAsked(text);
        if (answers.empty())
            return true;
        bool a = answers.front();
        answers.pop_front();
        return a;
    }
};
} // namespace quorvel::test
