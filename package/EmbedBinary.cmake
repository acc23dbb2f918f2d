# Writes a C++ source holding the bytes of a file: cmake -DINPUT=<file> -DOUTPUT=<cpp> -DSYMBOL=<name> -P <this>
# Defines qx::package::generated::<SYMBOL> (the bytes) and <SYMBOL>Size, declared in package/EmbeddedData.h.
foreach(var INPUT OUTPUT SYMBOL)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "EmbedBinary.cmake needs -D${var}=...")
  endif()
endforeach()

file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR size "${hex_length} / 2")
if(size EQUAL 0)
  message(FATAL_ERROR "${INPUT} is empty")
endif()
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
# Sixteen bytes a line keeps the generated file readable (CMake regexes have no {n} repeat).
string(REPEAT "0x[0-9a-f][0-9a-f]," 16 sixteen)
string(REGEX REPLACE "(${sixteen})" "\\1\n    " bytes "${bytes}")
get_filename_component(input_name "${INPUT}" NAME)

file(WRITE "${OUTPUT}.tmp"
"// The bytes of ${input_name}, embedded at build time by package/EmbedBinary.cmake; do not edit.
#include \"package/EmbeddedData.h\"

namespace qx::package::generated {

extern const std::uint8_t ${SYMBOL}[] = {
    ${bytes}
};
extern const std::size_t ${SYMBOL}Size = ${size};

}  // namespace qx::package::generated
")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
