# Packs the cross-built Windows programs with a short readme and the licence, both with Windows
# line ends, into OUTPUT (a .zip). Run with -P, from the folder the zip is put together in.
#   WINDOWS_DIR  where Sorvane.exe and sorvane-power.exe are
#   SOURCE_DIR   the source tree
#   VERSION      the project's version
#   OUTPUT       the zip to write
get_filename_component(top ${OUTPUT} NAME_WLE)
file(REMOVE_RECURSE ${top})
file(MAKE_DIRECTORY ${top})
file(COPY ${WINDOWS_DIR}/Sorvane.exe ${WINDOWS_DIR}/sorvane-power.exe DESTINATION ${top})
set(PROJECT_VERSION ${VERSION})
configure_file(${SOURCE_DIR}/packaging/windows-readme.txt ${top}/LISEZMOI-README.txt @ONLY
               NEWLINE_STYLE CRLF)
configure_file(${SOURCE_DIR}/LICENSE ${top}/LICENSE.txt COPYONLY)
file(READ ${top}/LICENSE.txt licence)
string(REPLACE "\n" "\r\n" licence "${licence}")
file(WRITE ${top}/LICENSE.txt "${licence}")
file(ARCHIVE_CREATE OUTPUT ${OUTPUT} PATHS ${top} FORMAT zip MTIME 0)
file(REMOVE_RECURSE ${top})
message(STATUS "Windows zip: ${OUTPUT}")
