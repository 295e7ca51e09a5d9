# The program file's icon is one 32 x 32 image. The artwork's icon.ico also holds 16, 48 and a
# 256 px image (200 KB uncompressed): cut the 32 px image out of it into an RT_ICON resource and
# write its one-entry group directory inline. Where `dd` is missing (a build on Windows itself),
# the whole icon.ico goes in instead.
#
# In: artwork. Out: SORVANE_RC_ICON (resource lines), SORVANE_RC_ICON_IMAGE (file to build).
find_program(SORVANE_DD dd)
set(ico ${artwork}/icon.ico)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${ico})

function(read_le file offset length out)
    file(READ ${file} hex OFFSET ${offset} LIMIT ${length} HEX)
    set(value "")
    math(EXPR last "${length} - 1")
    foreach(i RANGE ${last} 0 -1)
        math(EXPR at "${i} * 2")
        string(SUBSTRING "${hex}" ${at} 2 byte)
        string(APPEND value ${byte})
    endforeach()
    math(EXPR value "0x${value}")
    set(${out} ${value} PARENT_SCOPE)
endfunction()

set(SORVANE_RC_ICON "1 ICON \"${ico}\"")
set(SORVANE_RC_ICON_IMAGE "")
if(SORVANE_DD)
    read_le(${ico} 4 2 count)
    math(EXPR last "${count} - 1")
    foreach(i RANGE 0 ${last})
        math(EXPR entry "6 + 16 * ${i}")
        read_le(${ico} ${entry} 1 width)
        math(EXPR at "${entry} + 6")
        read_le(${ico} ${at} 2 bits)
        math(EXPR at "${entry} + 8")
        read_le(${ico} ${at} 4 size)
        math(EXPR at "${entry} + 12")
        read_le(${ico} ${at} 4 offset)
        if(width EQUAL 32)
            set(image ${CMAKE_CURRENT_BINARY_DIR}/icon32.bin)
            add_custom_command(OUTPUT ${image}
                COMMAND ${SORVANE_DD} if=${ico} of=${image} bs=1 skip=${offset} count=${size}
                        status=none
                DEPENDS ${ico}
                COMMENT "Cutting the 32 px image out of icon.ico"
                VERBATIM)
            # GRPICONDIR (reserved, type 1, one entry) and its entry: 32 x 32, no palette,
            # 1 plane, the bit count, the byte size, RT_ICON id 1. Numbers are WORDs, L: DWORD.
            set(SORVANE_RC_ICON "1 14\nBEGIN\n    0, 1, 1, 0x2020, 0, 1, ${bits}, ${size}L, 1\nEND\n1 3 \"${image}\"")
            set(SORVANE_RC_ICON_IMAGE ${image})
            break()
        endif()
    endforeach()
endif()
