// Arbitrary bytes as a typed text: the conversion never fails and never gives "not a number";
// integers written by numberToText read back unchanged.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "forms/conversions.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (std::isnan(tavrel::forms::textToNumber(text))) std::abort();

    if (size >= 4) {
        std::int32_t value = 0;
        std::memcpy(&value, data, sizeof value);
        if (tavrel::forms::textToNumber(tavrel::forms::numberToText(value)) != value) std::abort();
    }
    return 0;
}
