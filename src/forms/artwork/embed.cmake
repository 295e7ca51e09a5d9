# Turns one file into a C++ source that holds its bytes.
#   cmake -DINPUT=<file> -DOUTPUT=<source.cpp> -DSYMBOL=<identifier> -DNAME=<file name> -P embed.cmake
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR size "${digits} / 2")
# 24 bytes to a line keeps the source readable in a diff and the compiler's lines short.
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" bytes "${bytes}")
file(WRITE "${OUTPUT}" "// Generated from ${NAME}: do not edit.
#include \"forms/artwork/embedded.h\"

namespace sorvane::forms::embedded {
namespace {
const unsigned char data[${size}] = {
${bytes}};
} // namespace
extern const File ${SYMBOL}{\"${NAME}\", data, ${size}};
} // namespace sorvane::forms::embedded
")
