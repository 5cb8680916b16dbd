#pragma once
// The built-in default picture: the PNG the preview shows and resizes start from until a file is
// dropped. Its bytes are built into the program from app/resources/default_picture.png.

#include <cstdint>
#include <span>

namespace tavrel {

std::span<const std::uint8_t> defaultPictureBytes();

}  // namespace tavrel
