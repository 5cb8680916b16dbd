#pragma once
// The one routine that turns the source picture into a result of a requested size.

#include <cstdint>

#include "image/image_types.h"

namespace tavrel {

class DrawingSurface;
class ImageRegistry;

// Settles the size (a single non-zero value gives a square), sets the surface to it, draws the
// source stretched onto it and returns the grabbed 24-bit BMP bytes.
ByteBuffer resizeImage(DrawingSurface& surface, const ImageRegistry& registry, ImageHandle source,
                       std::int32_t width, std::int32_t height);

}  // namespace tavrel
