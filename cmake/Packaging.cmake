# Installing and packaging: both programs in bin/, a desktop entry and an icon for the window,
# and a Debian package built by CPack (`cpack -G DEB` in a build tree).
include(GNUInstallDirs)

install(FILES ${PROJECT_SOURCE_DIR}/packaging/orvane-config.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/orvane-config.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

set(CPACK_PACKAGE_NAME "orvane-config")
set(CPACK_PACKAGE_VENDOR "Orvane")
set(CPACK_PACKAGE_CONTACT "Orvane support <support@orvane.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "Reads and writes the settings of an Orvane GNSS base-station receiver over a serial line.\n"
       "Includes orvane-sim, a simulated receiver on a pseudo-terminal for trying the tool\n"
       "without hardware.")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)

set(CPACK_GENERATOR "DEB")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "electronics")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://orvane.invalid/")
# Library dependencies come from dpkg-shlibdeps; the Qt platform plugins that draw the window
# are loaded at run time, so they are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")

include(CPack)
