# The Debian package: everything `cmake --install` puts in place, under /usr, with
# the library dependencies read from the programs (dpkg-shlibdeps) and maintainer
# scripts that reload the udev rules.

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "kelt-podium-update")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "The Kelt Podium LX OS Update developers")
set(CPACK_PACKAGE_CONTACT "Kelt Podium LX OS Update developers <updates@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Install a new operating system into the Kelt Podium LX synthesizer")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES TRUE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "sound")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${KELT_HOMEPAGE_URL}")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Installs the operating system it carries into a Kelt Podium LX synthesizer
connected over USB: it finds the instrument, reboots it into its updater mode,
checks the new OS and sends it while the window follows the instrument's
progress. It also runs in a terminal (--console) and can update a built-in
virtual instrument (--simulate). A udev rule lets the user at the seat open
the instrument without root. Includes kelt-osimage and kelt-rsrc for the
people who prepare OS images and resource files.")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    "${PROJECT_SOURCE_DIR}/data/deb/postinst;${PROJECT_SOURCE_DIR}/data/deb/postrm")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)

include(CPack)
