#pragma once

#include "support/scripted_prompts.h"
#include "support/test_clock.h"

#include <QCoreApplication>
#include <QThread>

namespace quorvel::test {

// The scripted prompts as the window tests use them: an empty script answers yes, and every call
// notes whether it reached the prompts off the window's thread.
class WindowPrompts final : public ScriptedPrompts {
public:
    WindowPrompts() { yesBeyondScript = true; }
    bool calledOffWindowThread = false;

protected:
    void noteCall() override {
        calledOffWindowThread |= QThread::currentThread() != QCoreApplication::instance()->thread();
    }
};

} // namespace quorvel::test
