# Desktop citizenship of the Linux build: the programs, the desktop entry, AppStream metainfo and
# hicolor icons, and `make package` (cpack -G DEB), a .deb whose dependencies dpkg-shlibdeps
# works out. No autostart entry: the user chooses (see the README).
include(GNUInstallDirs)
set(SORVANE_APP_ID io.github.sorvane.Sorvane)
install(TARGETS sorvane sorvane-power RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/share/${SORVANE_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/share/${SORVANE_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
file(GLOB icon_sizes RELATIVE ${PROJECT_SOURCE_DIR}/src/forms/artwork/hicolor
     ${PROJECT_SOURCE_DIR}/src/forms/artwork/hicolor/*)
foreach(size IN LISTS icon_sizes)
    install(FILES ${PROJECT_SOURCE_DIR}/src/forms/artwork/hicolor/${size}/sorvane.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}/apps)
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME sorvane)
set(CPACK_PACKAGE_VENDOR "Sorvane")
set(CPACK_PACKAGE_CONTACT "Sorvane maintainers <maintainers@sorvane.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Battery gauge for the desktop (Affiche la charge de batterie PC)")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_INSTALL_DIRECTORY /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-translations-l10n")
set(CPACK_STRIP_FILES ON)
include(CPack)
