#include "gui/app/background_task.h"

#include "core/find/caller_dispatch.h"
#include "core/zip/zip_errors.h"
#include "gui/widgets/guarded.h"

#include <QThread>
#include <atomic>
#include <thread>

namespace quorvel::gui {

namespace {

constexpr const char* CanceledByUser = "Canceled by the user";

} // namespace

struct BackgroundTask::Run {
    QString what;
    Done done;
    std::shared_ptr<SynchronizedCalls> calls;
    std::atomic<bool> cancel{false};
    std::thread worker;
};

// The window's prompts as the work sees them.
class BackgroundTask::Prompts final : public UserPrompts {
public:
    explicit Prompts(BackgroundTask& task) : m_task(task) {}

    bool askYesNo(const std::string& text, MessageKind kind) override {
        return m_task.askOnWindow<bool>([&] { return window().askYesNo(text, kind); }, false);
    }
    ToAllAnswer askYesNoToAll(const std::string& text, MessageKind kind) override {
        return m_task.askOnWindow<ToAllAnswer>([&] { return window().askYesNoToAll(text, kind); }, ToAllAnswer::No);
    }
    bool askOkCancel(const std::string& text, MessageKind kind) override {
        return m_task.askOnWindow<bool>([&] { return window().askOkCancel(text, kind); }, false);
    }
    void showMessage(const std::string& text, MessageKind kind) override {
        tell([&] { window().showMessage(text, kind); });
    }
    void showTimedMessage(const std::string& text, MessageKind kind, int seconds) override {
        // Handed over and waited for like a question: the summary stays up its seconds while the
        // run still counts as under way, as it always has.
        tell([&] { window().showTimedMessage(text, kind, seconds); });
    }

private:
    UserPrompts& window() { return m_task.m_windowPrompts; }
    void tell(const std::function<void()>& message) {
        m_task.askOnWindow<bool>(
            [&] {
                message();
                return true;
            },
            false);
    }

    BackgroundTask& m_task;
};

BackgroundTask::BackgroundTask(UserPrompts& windowPrompts, QObject* parent)
    : QObject(parent), m_windowPrompts(windowPrompts), m_prompts(std::make_unique<Prompts>(*this)) {}

BackgroundTask::~BackgroundTask() {
    cancelAndWait();
}

void BackgroundTask::cancelAndWait() {
    if (!m_run)
        return;
    m_run->cancel = true;
    m_run->calls->close(); // a worker waiting for the window wakes up with the safe answer
    m_run->worker.join();
    m_run.reset();
    emit runningChanged(false);
}

bool BackgroundTask::start(const QString& what, Work work, Done done) {
    if (m_run)
        return false;
    auto run = std::make_unique<Run>();
    run->what = what;
    run->done = std::move(done);
    // Hand-overs and the completion below travel through the same queue, so they arrive in the
    // order the worker sent them.
    run->calls = std::make_shared<SynchronizedCalls>(
        [this](std::function<void()> task) { QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection); });
    m_run = std::move(run);
    emit runningChanged(true);
    m_run->worker = std::thread([this, run = m_run.get(), work = std::move(work)] {
        std::exception_ptr error;
        try {
            work();
        } catch (...) {
            error = std::current_exception();
        }
        QMetaObject::invokeMethod(
            this, [this, run, error] { complete(run, error); }, Qt::QueuedConnection);
    });
    return true;
}

void BackgroundTask::complete(const Run* run, const std::exception_ptr& error) {
    if (m_run.get() != run)
        return; // cancelAndWait() has ended that run already
    m_run->worker.join();
    m_run->calls->close();
    const std::unique_ptr<Run> ended = std::move(m_run);
    emit runningChanged(false);
    if (error && !ended->cancel)
        runGuarded(m_windowPrompts, [&] { std::rethrow_exception(error); });
    if (ended->done)
        runGuarded(m_windowPrompts, [&] { ended->done(!error); });
    emit finished();
}

UserPrompts& BackgroundTask::prompts() {
    return *m_prompts;
}

QString BackgroundTask::what() const {
    return m_run ? m_run->what : QString();
}

void BackgroundTask::cancel() {
    if (m_run)
        m_run->cancel = true;
}

bool BackgroundTask::cancelRequested() const {
    return m_run && m_run->cancel;
}

void BackgroundTask::checkCancel() const {
    if (cancelRequested())
        throw EUserCanceled(CanceledByUser);
}

bool BackgroundTask::onWindowThread() const {
    return QThread::currentThread() == thread();
}

bool BackgroundTask::callOnWindow(const std::function<void()>& body) {
    if (onWindowThread()) {
        body();
        return true;
    }
    return m_run && m_run->calls->call(body);
}

bool BackgroundTask::postToWindow(std::function<void()> body) {
    if (onWindowThread()) {
        body();
        return true;
    }
    if (!m_run)
        return false;
    m_run->calls->post(std::move(body));
    return true;
}

} // namespace quorvel::gui
