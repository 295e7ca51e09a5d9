# Desktop citizenship of the Linux build: the programs, the desktop entry, AppStream metainfo and
# hicolor icons, and `make package` (cpack -G DEB), a .deb whose dependencies dpkg-shlibdeps
# works out. No autostart entry: the user chooses (see the README).
include(GNUInstallDirs)
set(SORVANE_APP_ID io.github.sorvane.Sorvane)
install(TARGETS sorvane sorvane-power RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# A stripped program keeps the compilers' .comment notes, which nothing reads.
install(CODE "if(CMAKE_INSTALL_DO_STRIP)
    foreach(program sorvane sorvane-power)
        execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment
            \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/\${program}\"
            COMMAND_ERROR_IS_FATAL ANY)
    endforeach()
endif()")
install(FILES ${PROJECT_SOURCE_DIR}/share/${SORVANE_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# The newest release in the metainfo is the project's version.
configure_file(${PROJECT_SOURCE_DIR}/share/${SORVANE_APP_ID}.metainfo.xml.in
               ${CMAKE_CURRENT_BINARY_DIR}/share/${SORVANE_APP_ID}.metainfo.xml @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/share/${SORVANE_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
file(GLOB icon_sizes RELATIVE ${PROJECT_SOURCE_DIR}/src/forms/artwork/hicolor
     ${PROJECT_SOURCE_DIR}/src/forms/artwork/hicolor/*)
foreach(size IN LISTS icon_sizes)
    install(FILES ${PROJECT_SOURCE_DIR}/src/forms/artwork/hicolor/${size}/sorvane.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}/apps)
endforeach()

# What a Debian package documents: the man pages and the changelog gzip-compressed with no name
# or time stamp inside (the same bytes at every build), and the machine-readable copyright.
set(doc_dir ${CMAKE_CURRENT_BINARY_DIR}/doc)
set(docs "")
foreach(source IN ITEMS docs/man/sorvane.1 docs/man/sorvane-power.1 packaging/changelog)
    get_filename_component(name ${source} NAME)
    configure_file(${PROJECT_SOURCE_DIR}/${source}.in ${doc_dir}/${name} @ONLY)
    add_custom_command(OUTPUT ${doc_dir}/${name}.gz
        COMMAND gzip -9nf ${name}
        DEPENDS ${PROJECT_SOURCE_DIR}/${source}.in
        WORKING_DIRECTORY ${doc_dir})
    list(APPEND docs ${doc_dir}/${name}.gz)
endforeach()
add_custom_target(sorvane_docs ALL DEPENDS ${docs})
install(FILES ${doc_dir}/sorvane.1.gz ${doc_dir}/sorvane-power.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${doc_dir}/changelog.gz ${PROJECT_SOURCE_DIR}/packaging/copyright
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/sorvane)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME sorvane)
set(CPACK_PACKAGE_VENDOR "Sorvane")
set(CPACK_PACKAGE_CONTACT "The Sorvane developers <sorvane@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "battery gauge for the desktop")
# Lines of at most 80 characters: dpkg shows them as they are.
set(CPACK_PACKAGE_DESCRIPTION "Sorvane puts a small borderless gauge, always on top, on an X11 desktop: a
battery picture that tells mains from battery power, a column of nine bars
for the charge and the minutes of battery life left. Below 5 % the bars blink
and a five-tone warning beep sounds. Its texts are French.

Its options menu and the keys F5 to F8 switch the beep, hide the panels and
the desktop icons, and hide the gauge until the charge falls to a chosen
number of bars. Started again, it brings the running gauge back. The
sorvane-power command prints the power status it reads, for bug reports.")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://github.com/sorvane/sorvane")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_INSTALL_DIRECTORY /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-translations-l10n")
set(CPACK_STRIP_FILES ON)
include(CPack)
