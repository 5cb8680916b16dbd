# Turns a file into a C++ source defining a byte array, run at build time:
#   cmake -DINPUT=<file> -DOUTPUT=<source> -DNAMESPACE=<ns> -DFUNCTION=<name> -DHEADER=<include> -P embed_bytes.cmake
# The function returns the bytes as a std::span<const std::uint8_t>.
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR byte_count "${hex_length} / 2")
# Sixteen bytes a line (CMake's expressions have no counted repeats).
string(REPEAT "[0-9a-f][0-9a-f]" 16 line_of_hex)
string(REGEX REPLACE "(${line_of_hex})" "\\1\n" hex "${hex}")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," body "${hex}")
string(REPLACE "\n" "\n    " body "${body}")
get_filename_component(input_name "${INPUT}" NAME)
file(WRITE "${OUTPUT}.tmp"
"// Generated at build time from ${input_name}; do not edit.
#include \"${HEADER}\"

namespace ${NAMESPACE} {
namespace {
constexpr std::uint8_t kBytes[${byte_count}] = {
    ${body}
};
}  // namespace

std::span<const std::uint8_t> ${FUNCTION}() { return kBytes; }

}  // namespace ${NAMESPACE}
")
# Only a changed result touches the output, so an unchanged file rebuilds nothing.
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
