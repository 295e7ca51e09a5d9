# Fails when a C++ file under src/, tests/, tools/ or bench/ of ROOT is not as clang-format
# (the checked-in .clang-format) would write it; prints the files and how to fix them. One
# clang-format process for every file: a process per file takes seconds on a busy machine.
file(GLOB_RECURSE files LIST_DIRECTORIES false
     ${ROOT}/src/*.cpp ${ROOT}/src/*.h ${ROOT}/tests/*.cpp ${ROOT}/tests/*.h
     ${ROOT}/tools/*.cpp ${ROOT}/tools/*.h ${ROOT}/bench/*.cpp ${ROOT}/bench/*.h)
execute_process(COMMAND ${CLANG_FORMAT} --dry-run --Werror ${files}
                RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE report)
if(NOT status EQUAL 0)
    string(REGEX MATCHALL "[^\n]*: error: [^\n]*" lines "${report}")
    set(bad "")
    foreach(line IN LISTS lines)
        string(REGEX REPLACE ":[0-9]+:[0-9]+: error:.*" "" name "${line}")
        file(RELATIVE_PATH name ${ROOT} ${name})
        list(APPEND bad ${name})
    endforeach()
    list(REMOVE_DUPLICATES bad)
    list(JOIN bad "\n  " text)
    message(FATAL_ERROR "not formatted (clang-format -i FILE):\n  ${text}")
endif()
