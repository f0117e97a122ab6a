# The Debian package: `cpack -G DEB` in a build folder (scripts/package makes a release one).
# Its dependencies are the shared libraries the programs link, as dpkg-shlibdeps finds them.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvel-backup)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Quorvel ZIP Backup developers")
set(CPACK_PACKAGE_CONTACT "Quorvel ZIP Backup maintainers <packaging@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop backup manager writing standard zip archives")
set(CPACK_PACKAGE_DESCRIPTION
    "Quorvel ZIP Backup keeps named backup projects: what to back up and what
to leave out, where the archive goes and how it is named, password, comment,
compression level, how many archives to keep and a schedule. Every run writes
one standard zip archive that any zip tool opens. It restores whole archives
or chosen entries, browses a folder of archives, keeps an operation log and
sits in the notification area.
.
The command-line tool quorvel-backup-cli runs the same projects without a
window, and its scheduler runs as a systemd user service.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://example.org/quorvel-backup/")
# The help book and archives are opened through the desktop's default programs.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
include(CPack)
