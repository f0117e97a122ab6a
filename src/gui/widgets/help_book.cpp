#include "gui/widgets/help_book.h"

#include "build_info.h"
#include "core/platform/data_folder.h"
#include "core/util/user_prompts.h"
#include "gui/dialogs/gui_prompts.h"

#include <QDesktopServices>
#include <QKeySequence>
#include <QShortcut>
#include <QString>
#include <QUrl>

namespace quorvel::gui {

namespace fs = std::filesystem;

std::vector<fs::path> helpBookCandidates(const fs::path& programFolder) {
    return {programFolder / "help" / "index.html",
            (programFolder / QUORVEL_HELP_FROM_BINDIR / "index.html").lexically_normal()};
}

std::optional<fs::path> findHelpBook(const fs::path& programFolder) {
    for (const fs::path& candidate : helpBookCandidates(programFolder)) {
        std::error_code ec;
        if (fs::is_regular_file(candidate, ec))
            return candidate;
    }
    return std::nullopt;
}

void openHelp(int context, UserPrompts& prompts) {
    const fs::path folder = executableFolder();
    const std::optional<fs::path> book = findHelpBook(folder);
    if (!book) {
        const std::vector<fs::path> candidates = helpBookCandidates(folder);
        prompts.showMessage("The help book is missing: neither '" + candidates[0].string() + "' nor '" +
                                candidates[1].string() + "' exists.",
                            MessageKind::Warning);
        return;
    }
    QUrl url = QUrl::fromLocalFile(QString::fromStdString(book->string()));
    if (context > 0)
        url.setFragment(QStringLiteral("topic-%1").arg(context));
    if (!QDesktopServices::openUrl(url))
        prompts.showMessage("Cannot open the help book '" + book->string() + "'.", MessageKind::Warning);
}

namespace {

QShortcut* helpKey(QWidget* window) {
    auto* key = new QShortcut(QKeySequence(Qt::Key_F1), window);
    key->setObjectName(QStringLiteral("helpKey"));
    return key;
}

} // namespace

void bindHelpKey(QWidget* window, std::function<int()> context, UserPrompts& prompts) {
    QObject::connect(helpKey(window), &QShortcut::activated, window,
                     [context = std::move(context), &prompts] { openHelp(context(), prompts); });
}

void bindHelpKey(QWidget* window, int context, UserPrompts& prompts) {
    bindHelpKey(
        window, [context] { return context; }, prompts);
}

void bindHelpKey(QWidget* window, int context) {
    QObject::connect(helpKey(window), &QShortcut::activated, window, [window, context] {
        GuiPrompts prompts(window);
        openHelp(context, prompts);
    });
}

} // namespace quorvel::gui
