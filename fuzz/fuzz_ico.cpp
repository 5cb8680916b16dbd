// Arbitrary bytes through the icon and cursor decoder, then through recognition and dispatch.

#include <cstddef>
#include <cstdint>
#include <span>

#include "fuzz_checks.h"
#include "image/decode.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    tavrel::fuzz::checkPicture(tavrel::decodeIcon(bytes, nullptr));
    tavrel::fuzz::checkPicture(tavrel::decodeImage(bytes));
    return 0;
}
