#include "gui/widgets/help_book.h"

#include "core/platform/data_folder.h"
#include "core/util/user_prompts.h"

#include <QDesktopServices>
#include <QString>
#include <QUrl>
#include <filesystem>

namespace quorvel::gui {

void openHelp(int context, UserPrompts& prompts) {
    const std::filesystem::path book = executableFolder() / "help" / "index.html";
    std::error_code ec;
    if (!std::filesystem::is_regular_file(book, ec)) {
        prompts.showMessage("The help book '" + book.string() + "' is missing.", MessageKind::Warning);
        return;
    }
    QUrl url = QUrl::fromLocalFile(QString::fromStdString(book.string()));
    if (context > 0)
        url.setFragment(QStringLiteral("topic-%1").arg(context));
    if (!QDesktopServices::openUrl(url))
        prompts.showMessage("Cannot open the help book '" + book.string() + "'.", MessageKind::Warning);
}

} // namespace quorvel::gui
