#pragma once
// The window's icon: a 64 x 64 picture frame with a diagonal resize arrow, as a complete ICO file.

#include "forms/types.h"

namespace tavrel {

// One 32-bit image with alpha: 6-byte header, one 16-byte entry, 40-byte bitmap header,
// 16,384 bytes of pixels and a 512-byte mask; 16,958 bytes in all.
forms::Bytes windowIconBytes();

}  // namespace tavrel
