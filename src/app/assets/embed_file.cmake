# Turns one file into a C++ source holding its bytes:
#   cmake -DINPUT=<file> -DOUTPUT=<source> -DSYMBOL=<name> -P embed_file.cmake
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR size "${digits} / 2")
# 32 bytes to a line keeps the generated source readable by tools.
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x[0-9a-f][0-9a-f],){32})" "\\1\n" bytes "${bytes}")
get_filename_component(name "${INPUT}" NAME)
file(WRITE "${OUTPUT}" "// The bytes of ${name}, embedded at build time. Generated: do not edit.
#include <cstddef>
#include <cstdint>

namespace vistel::assets::embedded {
extern const std::uint8_t ${SYMBOL}[];
extern const std::size_t ${SYMBOL}_size;
const std::uint8_t ${SYMBOL}[] = {
${bytes}
};
const std::size_t ${SYMBOL}_size = ${size};
}  // namespace vistel::assets::embedded
")
