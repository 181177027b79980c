# The Debian package: cpack -G DEB in the build folder makes glasspane_VERSION-1_ARCH.deb from
# the same install rules as cmake --install.

set(CPACK_PACKAGE_NAME glasspane)
set(CPACK_PACKAGE_VENDOR "Qorvath")
set(CPACK_PACKAGE_CONTACT "Glasspane maintainers <glasspane@glasspane.example>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://glasspane.example/")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "kiosk browser and screen saver that shows web pages full screen")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_GENERATOR DEB)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION web)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The summary above is the first line of the Debian description; the lines below are its
# extended part, each within 80 columns, an empty line between paragraphs.
set(CPACK_PACKAGE_DESCRIPTION "Glasspane shows a configurable sequence of web pages full screen, each for
its own time, on information screens and kiosks, or as the screen saver
(XScreenSaver's program included). Visitors can browse within allowed
address prefixes; pages can be cached for off-line display; a password
guards the configuration; the machine can be rebooted daily. A systemd
user unit keeps the show running.

The gpane command needs no display: it checks a document for mistakes,
prints its play list and the cache name of an address, and reports and
steers the show that runs (status, next, previous, pause, play, reload,
open).")
# The dependencies come from dpkg-shlibdeps: the Qt 6, Qt WebEngine (with its helper process),
# libcurl and libsodium runtime packages the programs link; fonts come with fontconfig.
# libsodium is named as well: the configuration password cannot be checked without it.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libsodium23")
# xdg-open for external programs, gio for network shares, the session bus the desktop speaks,
# Qt's platform for Wayland compositors.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, libglib2.0-bin, dbus-user-session, qt6-wayland")

set(CPACK_SOURCE_IGNORE_FILES "/\\\\.git;/build[^/]*/;/\\\\.cache/")

include(CPack)
