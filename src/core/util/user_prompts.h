#pragma once

#include <string>

namespace quorvel {

// Kinds of the messages and questions shown to the user; the values are the dialog types of
// the self-closing message window.
enum class MessageKind { Warning = 0, Error = 1, Information = 2, Confirmation = 3, Custom = 4 };

// The answers to a question that comes once for each of several things (the overwrite question of
// a restore): the "to all" answers also stand for the questions of the same kind that follow.
enum class ToAllAnswer { Yes, No, YesToAll, NoToAll };

// How core operations talk to the person using the program: the desktop program answers with
// message boxes, the CLI on the console, tests with scripted answers. An operation that runs
// unattended still gets an implementation (its questions then take their safe answer).
class UserPrompts {
public:
    virtual ~UserPrompts() = default;
    // A standard question box with Yes and No; true for Yes.
    virtual bool askYesNo(const std::string& text, MessageKind kind) = 0;
    // A standard question box with Yes, "Yes to all", No and "No to all". Where only Yes and No
    // can be offered, this is the Yes/No question, so the safe answer No of a run nobody
    // watches stays the answer to every one of them.
    virtual ToAllAnswer askYesNoToAll(const std::string& text, MessageKind kind) {
        return askYesNo(text, kind) ? ToAllAnswer::Yes : ToAllAnswer::No;
    }
    // A standard question box with OK and Cancel; true for OK.
    virtual bool askOkCancel(const std::string& text, MessageKind kind) = 0;
    // A standard message box with an OK button.
    virtual void showMessage(const std::string& text, MessageKind kind) = 0;
    // The self-closing message window: closes by itself after the given seconds.
    virtual void showTimedMessage(const std::string& text, MessageKind kind, int seconds) = 0;
};

} // namespace quorvel
