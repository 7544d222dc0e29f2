# SPDX-License-Identifier: GPL-3.0-or-later
# `cpack -G DEB` in a build folder makes trevak_<version>_amd64.deb from the install rules.
set(TREVAK_PACKAGE_CONTACT "Trevak maintainers <maintainers@trevak.invalid>"
    CACHE STRING "Maintainer written into the Debian package")

set(CPACK_PACKAGE_NAME trevak)
set(CPACK_PACKAGE_VENDOR Trevak)
set(CPACK_PACKAGE_CONTACT "${TREVAK_PACKAGE_CONTACT}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "browse and edit KiCad legacy footprint libraries")
# Lines of the package's long description stay within 80 columns, as Debian's tools show them.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Trevak loads one KiCad legacy footprint library (*.mod) to search and"
  "another to edit, shows each module's body text and a drawing of it,"
  "copies, deletes and renames modules, and saves the edit library."
  "The window speaks Portuguese, or English when asked; trevak-cli does the same"
  "work for scripts.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
# Library dependencies come from the binaries (dpkg-shlibdeps). Qt loads its platform plugins
# at run time, which no linker record shows, so the window's one is named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-qpa-plugins)

include(CPack)
