// The tree `cmake --install --prefix /usr` writes into a DESTDIR (the packaging-install fixture),
// read as the desktop, man, bash, systemd and the programs themselves will read it.
#include "build_info.h"
#include "support/test_support.h"

#ifdef QUORVEL_WITH_GUI
#include "gui/widgets/help_book.h"
#endif

#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace quorvel;
using namespace quorvel::test;

namespace {

const fs::path Root = QUORVEL_INSTALL_ROOT;
const fs::path Usr = Root / "usr";
const std::vector<int> IconSizes{16, 22, 24, 32, 48, 64, 128, 256};

fs::path icon(int size) {
    const std::string dir = std::to_string(size) + "x" + std::to_string(size);
    return Usr / "share/icons/hicolor" / dir / "apps/quorvel-backup.png";
}

mode_t modeOf(const fs::path& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// Runs a tool the test needs when it is installed (CI installs it); skips the test otherwise.
#define RUN_TOOL_OR_SKIP(tool, ...)                                                                                    \
    if (!haveTool(tool))                                                                                               \
        GTEST_SKIP() << tool << " is not installed";                                                                   \
    const ProcessResult result = runProcess({tool, __VA_ARGS__})

} // namespace

TEST(InstalledTree, HoldsTheCliWithItsManPageCompletionAndSchedulerUnit) {
    for (const fs::path& file :
         {Usr / "share/man/man1/quorvel-backup-cli.1.gz", Usr / "share/bash-completion/completions/quorvel-backup-cli",
          Usr / "lib/systemd/user/quorvel-backup-scheduler.service", Usr / "share/doc/quorvel-backup/copyright",
          Usr / "share/doc/quorvel-backup/changelog.gz"}) {
        EXPECT_TRUE(fs::is_regular_file(file)) << file;
        EXPECT_EQ(modeOf(file), 0644u) << file;
    }
    EXPECT_EQ(modeOf(Usr / "bin/quorvel-backup-cli"), 0755u);

    // The unit starts the installed program, wherever the install put it.
    const std::string unit = readFile(Usr / "lib/systemd/user/quorvel-backup-scheduler.service");
    EXPECT_NE(unit.find("\nExecStart=/usr/bin/quorvel-backup-cli schedule\n"), std::string::npos) << unit;
    EXPECT_EQ(readFile(sourceDir() / "packaging/systemd/quorvel-backup-scheduler.service"), unit);
}

TEST(InstalledTree, TheInstalledCliRunsAndItsCompletionLoads) {
    const ProcessResult version = runProcess({(Usr / "bin/quorvel-backup-cli").string(), "--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.output, std::string("quorvel-backup-cli ") + QUORVEL_VERSION + "\n");

    const fs::path completion = Usr / "share/bash-completion/completions/quorvel-backup-cli";
    const ProcessResult loaded = runProcess({"bash", "--norc", "--noprofile", "-c",
                                             "source \"$0\" && complete -p quorvel-backup-cli", completion.string()});
    EXPECT_EQ(loaded.exitCode, 0) << loaded.output;
    EXPECT_NE(loaded.output.find(" quorvel-backup-cli"), std::string::npos) << loaded.output;
}

TEST(InstalledTree, ManPagesRenderWithoutWarnings) {
    std::vector<fs::path> pages{Usr / "share/man/man1/quorvel-backup-cli.1.gz"};
#ifdef QUORVEL_WITH_GUI
    pages.push_back(Usr / "share/man/man1/quorvel-backup.1.gz");
#endif
    if (!haveTool("man"))
        GTEST_SKIP() << "man is not installed";
    for (const fs::path& page : pages) {
        SCOPED_TRACE(page.string());
        // The check lintian makes: groff's warnings go to standard error, the page to /dev/null.
        const ProcessResult result = runProcess(
            {"sh", "-c", "LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z \"$0\" 2>&1 >/dev/null",
             page.string()});
        EXPECT_EQ(result.exitCode, 0);
        EXPECT_EQ(result.output, "");
        const ProcessResult text = runProcess({"sh", "-c", "MANWIDTH=80 man -l \"$0\" 2>&1", page.string()});
        EXPECT_NE(text.output.find("Quorvel ZIP Backup " QUORVEL_VERSION), std::string::npos) << text.output;
    }
}

#ifdef QUORVEL_WITH_GUI

TEST(InstalledTree, HoldsTheDesktopProgramWithItsMenuEntryIconsAndMetainfo) {
    EXPECT_EQ(modeOf(Usr / "bin/quorvel-backup"), 0755u);
    for (const fs::path& file :
         {Usr / "share/applications/quorvel-backup.desktop",
          Usr / "share/metainfo/org.example.quorvel_backup.metainfo.xml",
          Usr / "share/icons/hicolor/scalable/apps/quorvel-backup.svg", Usr / "share/man/man1/quorvel-backup.1.gz",
          Usr / "share/quorvel-backup/help/index.html"}) {
        EXPECT_TRUE(fs::is_regular_file(file)) << file;
        EXPECT_EQ(modeOf(file), 0644u) << file;
    }
    for (int size : IconSizes) {
        SCOPED_TRACE(size);
        const std::string png = readFile(icon(size));
        ASSERT_GE(png.size(), 24u);
        EXPECT_EQ(png.substr(1, 3), "PNG");
        // The IHDR chunk: width and height, big-endian, at bytes 16 and 20.
        auto at = [&](size_t offset) {
            std::uint32_t value = 0;
            for (size_t i = 0; i < 4; ++i)
                value = (value << 8) | static_cast<unsigned char>(png[offset + i]);
            return value;
        };
        EXPECT_EQ(at(16), static_cast<std::uint32_t>(size));
        EXPECT_EQ(at(20), static_cast<std::uint32_t>(size));
    }
    const std::string entry = readFile(Usr / "share/applications/quorvel-backup.desktop");
    EXPECT_NE(entry.find("\nExec=quorvel-backup\n"), std::string::npos);
    EXPECT_NE(entry.find("\nIcon=quorvel-backup\n"), std::string::npos);
    const std::string metainfo = readFile(Usr / "share/metainfo/org.example.quorvel_backup.metainfo.xml");
    EXPECT_NE(metainfo.find("<launchable type=\"desktop-id\">quorvel-backup.desktop</launchable>"), std::string::npos);
}

TEST(InstalledTree, TheInstalledDesktopProgramFindsItsHelpBook) {
    const std::optional<fs::path> book = gui::findHelpBook(Usr / "bin");
    ASSERT_TRUE(book);
    EXPECT_EQ(*book, Usr / "share/quorvel-backup/help/index.html");
    EXPECT_EQ(readFile(*book), readFile(sourceDir() / "docs/help/index.html"));
    // In the build tree the copy beside the program comes first.
    EXPECT_EQ(gui::findHelpBook(binaryDir() / "src/gui"), binaryDir() / "src/gui/help/index.html");
    // A folder with neither finds none.
    EXPECT_EQ(gui::findHelpBook(Root / "nowhere/bin"), std::nullopt);
}

TEST(InstalledTree, TheInstalledDesktopProgramStarts) {
    // Without a display: --version is answered before the toolkit would need one.
    const ProcessResult version = runProcess(
        {"env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", (Usr / "bin/quorvel-backup").string(), "--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.output, std::string("quorvel-backup ") + QUORVEL_VERSION + "\n");
}

TEST(InstalledTree, TheMenuEntryIsValid) {
    RUN_TOOL_OR_SKIP("desktop-file-validate", (Usr / "share/applications/quorvel-backup.desktop").string());
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, ""); // no hint either
}

TEST(InstalledTree, TheMetainfoIsValid) {
    RUN_TOOL_OR_SKIP("appstreamcli", "validate", "--no-net", "--pedantic",
                     (Usr / "share/metainfo/org.example.quorvel_backup.metainfo.xml").string());
    EXPECT_EQ(result.exitCode, 0) << result.output;
    EXPECT_EQ(result.output.find("W:"), std::string::npos) << result.output;
    EXPECT_EQ(result.output.find("I:"), std::string::npos) << result.output;
}

#endif
