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
# With a byte order mark, Notepad before Windows 10 reads the French text as UTF-8 too.
file(READ ${SOURCE_DIR}/packaging/windows-readme.txt readme)
string(ASCII 239 187 191 bom)
file(WRITE ${top}.readme "${bom}${readme}")
configure_file(${top}.readme ${top}/LISEZMOI-README.txt @ONLY NEWLINE_STYLE CRLF)
file(REMOVE ${top}.readme)
configure_file(${SOURCE_DIR}/LICENSE ${top}/LICENSE.txt COPYONLY)
file(READ ${top}/LICENSE.txt licence)
string(REPLACE "\n" "\r\n" licence "${licence}")
file(WRITE ${top}/LICENSE.txt "${licence}")
file(ARCHIVE_CREATE OUTPUT ${OUTPUT} PATHS ${top} FORMAT zip MTIME 0)
file(REMOVE_RECURSE ${top})
message(STATUS "Windows zip: ${OUTPUT}")
