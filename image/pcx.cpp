#include "image/decode.h"

namespace tavrel {

std::optional<DecodedImage> decodePcx(std::span<const std::uint8_t>, DecodeFailure* why) {
    if (why) *why = DecodeFailure::Unsupported;
    return std::nullopt;
}

}  // namespace tavrel
