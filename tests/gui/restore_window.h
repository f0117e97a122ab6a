#pragma once

// A main window on a data folder with archives, for the tests of the Restore page.
#include "core/zip/zip_writer.h"
#include "gui/app/form_main.h"
#include "gui/pages/restore_grid_model.h"
#include "gui/pages/restore_page.h"
#include "gui/widgets/project_selector.h"
#include "scripted_prompts.h"
#include "support/test_clock.h"
#include "support/test_support.h"

#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <map>
#include <memory>

namespace quorvel::test {

// Zips `files` (stored name -> contents) with stored paths into `archive`, dated `modified`.
inline void makeArchive(const fs::path& archive, const std::map<std::string, std::string>& files,
                        std::time_t modified) {
    TempDir source;
    for (const auto& [name, contents] : files)
        writeFile(source / name, contents);
    TZipWriter writer;
    writer.setZipName(archive.string());
    writer.setRootDir(source.path().string() + "/");
    writer.StorePaths = writer.RelativePaths = writer.Recurse = true;
    writer.FilesList = {source.path().string() + "/*"};
    writer.Zip();
    setModificationTime(archive, modified);
}

// A data folder with the projects "Docs" (three archives) and "Empty" (a folder without any),
// and the main window on it.
struct Window {
    TempDir dir;
    WindowPrompts prompts;
    TestClock clock{DateTime{2026, 12, 7, 23, 16, 6}};
    std::unique_ptr<gui::TFormMain> form;

    explicit Window(const std::string& common = "") {
        fs::create_directories(archives());
        fs::create_directories(dir / "empty");
        fs::create_directories(restored());
        makeArchive(archives() / "a-second.zip",
                    {{"one.txt", "1"},
                     {"Data/two.txt", "2"},
                     {"Data/three.txt", "3"},
                     {"Data/sub/four.txt", "4"},
                     {"five.txt", "5"}},
                    1700000000);
        makeArchive(archives() / "B-first.zip", {{"b.txt", randomBytes(3000, 1)}}, 1600000000);
        makeArchive(archives() / "c-third.zip", {{"c.txt", "c"}}, 1800000000);
        writeFile(dir / "project.ini",
                  "[Common]\nProject Count=2\nCount0=Docs\nCount1=Empty\nLast Project=Docs\n" + common +
                      "\n[Docs]\nSave Path=" + archives().string() + "/\nRestore path=" + restored().string() +
                      "\nRestore to orig path=1\nOverwrite Mode=4\n\n[Empty]\nSave Path=" + (dir / "empty").string() +
                      "/\nOverwrite Mode=7\n");
        open();
    }
    void open() {
        form = std::make_unique<gui::TFormMain>(DataFiles{dir.path()}, prompts, clock);
        form->show();
    }
    fs::path archives() const { return dir / "archives"; }
    fs::path restored() const { return dir / "restored"; }
    gui::RestorePage& page() { return *form->restorePage; }
    void showRestorePage() { form->PageControl1->setCurrentWidget(form->TabRestore); }
    QStringList archiveNames() {
        QStringList names;
        for (const auto& row : page().archiveModel()->rows())
            names << QString::fromStdString(row[0]);
        return names;
    }
    void selectProject(int index) {
        form->comboProject->setCurrentIndex(index);
        emit form->comboProject->activated(index);
    }
};

inline void click(QTableView* grid, int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    const QRect cell = grid->visualRect(grid->model()->index(row, 0));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, modifiers, cell.center());
}

} // namespace quorvel::test
