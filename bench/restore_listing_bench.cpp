// Times listing an archive of 100,000 entries on the Restore page (offscreen):
//   directory  the reader reads the archive's directory;
//   rows       the entry rows are made from it;
//   view       the entries grid takes the rows and paints them;
//   page       the page lists its folder and the archive's entries, as on choosing the folder.
// Usage: quorvel-bench-restore-listing [ENTRIES]   (run with QT_QPA_PLATFORM=offscreen)
#include "core/backup/operation_log.h"
#include "core/platform/data_folder.h"
#include "core/restore/archive_entry_listing.h"
#include "core/util/clock.h"
#include "core/util/date_time.h"
#include "core/zip/zip_reader.h"
#include "gui/app/form_main.h"
#include "gui/dialogs/gui_prompts.h"
#include "gui/pages/restore_folder_field.h"
#include "gui/pages/restore_grid_model.h"
#include "gui/pages/restore_page.h"

#include <QApplication>
#include <QLabel>
#include <QTableView>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

void put16(std::string& out, std::uint32_t v) {
    out += static_cast<char>(v & 0xff);
    out += static_cast<char>((v >> 8) & 0xff);
}
void put32(std::string& out, std::uint32_t v) {
    put16(out, v & 0xffff);
    put16(out, v >> 16);
}
void put64(std::string& out, std::uint64_t v) {
    put32(out, static_cast<std::uint32_t>(v));
    put32(out, static_cast<std::uint32_t>(v >> 32));
}

// An archive of `count` empty stored entries in 1,000 folders, with Zip64 end records (the count
// does not fit the classic record).
void writeArchive(const fs::path& path, int count) {
    const std::uint32_t dos = quorvel::toDosDateTime({2025, 6, 1, 12, 30, 0});
    std::string local, central;
    for (int i = 0; i < count; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "folder%03d/file%06d.txt", i % 1000, i);
        const std::string n(name);
        const auto offset = static_cast<std::uint32_t>(local.size());
        put32(local, 0x04034b50);
        put16(local, 20), put16(local, 0), put16(local, 0), put32(local, dos);
        put32(local, 0), put32(local, 0), put32(local, 0);
        put16(local, static_cast<std::uint32_t>(n.size())), put16(local, 0);
        local += n;
        put32(central, 0x02014b50);
        put16(central, 20), put16(central, 20), put16(central, 0), put16(central, 0), put32(central, dos);
        put32(central, 0), put32(central, 0), put32(central, 0);
        put16(central, static_cast<std::uint32_t>(n.size())), put16(central, 0), put16(central, 0);
        put16(central, 0), put16(central, 0), put32(central, 0), put32(central, offset);
        central += n;
    }
    std::string end;
    const std::uint64_t zip64At = local.size() + central.size();
    put32(end, 0x06064b50);
    put64(end, 44);
    put16(end, 45), put16(end, 45), put32(end, 0), put32(end, 0);
    put64(end, static_cast<std::uint64_t>(count)), put64(end, static_cast<std::uint64_t>(count)),
        put64(end, central.size()), put64(end, local.size());
    put32(end, 0x07064b50);
    put32(end, 0), put64(end, zip64At), put32(end, 1);
    put32(end, 0x06054b50);
    put16(end, 0), put16(end, 0), put16(end, 0xffff), put16(end, 0xffff);
    put32(end, static_cast<std::uint32_t>(central.size())), put32(end, static_cast<std::uint32_t>(local.size()));
    put16(end, 0);
    std::ofstream(path, std::ios::binary) << local << central << end;
}

double millisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv) {
    using namespace quorvel;
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 100000;
    const fs::path dir = fs::temp_directory_path() / "quorvel-bench-restore-listing";
    fs::remove_all(dir);
    fs::create_directories(dir / "archives");
    writeArchive(dir / "archives" / "big.zip", count);
    std::printf("archive: %d entries, %.1f MB\n", count,
                static_cast<double>(fs::file_size(dir / "archives" / "big.zip")) / 1e6);

    TZipReader reader;
    reader.SortMode = ByName;
    reader.setZipName((dir / "archives" / "big.zip").string());
    auto start = std::chrono::steady_clock::now();
    reader.ReadZip();
    reader.Entry(0); // the sorted order is made on first use
    std::printf("directory %8.1f ms\n", millisecondsSince(start));

    start = std::chrono::steady_clock::now();
    std::vector<EntryRow> rows = entryRowsOf(reader);
    std::printf("rows      %8.1f ms\n", millisecondsSince(start));

    gui::GuiPrompts prompts;
    SystemClock clock;
    gui::TFormMain form(DataFiles{dir}, prompts, clock);
    form.resize(1100, 680);
    form.show();
    QApplication::processEvents();
    gui::RestorePage& page = *form.restorePage;
    start = std::chrono::steady_clock::now();
    page.entryModel()->setRows(std::move(rows));
    page.StringGrid1->viewport()->repaint();
    QApplication::processEvents();
    std::printf("view      %8.1f ms\n", millisecondsSince(start));

    page.DirectoryView->setText(QString::fromStdString((dir / "archives").string()));
    start = std::chrono::steady_clock::now();
    page.DirectoryViewChange();
    page.StringGrid1->viewport()->repaint();
    QApplication::processEvents();
    std::printf("page      %8.1f ms (%s)\n", millisecondsSince(start), qPrintable(page.LabelfileNumber->text()));
    form.close();
    fs::remove_all(dir);
    return 0;
}
