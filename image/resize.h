#pragma once
// The one routine that turns the source picture into a result of a requested size.

#include <cstdint>
#include <span>

#include "image/image_types.h"

namespace tavrel {

class DrawingSurface;
class ImageRegistry;

// Settles the size (a single non-zero value gives a square), sets the surface to it, draws the
// source stretched onto it and returns the grabbed 24-bit BMP bytes.
ByteBuffer resizeImage(DrawingSurface& surface, const ImageRegistry& registry, ImageHandle source,
                       std::int32_t width, std::int32_t height);

// The same result from a JPEG's file bytes, decoded row by row straight into the stretch, so the
// whole picture is never held. Empty, with the reason in *why when it is a decode failure, when
// the bytes do not decode or memory is short.
ByteBuffer resizeJpegBytes(DrawingSurface& surface, std::span<const std::uint8_t> jpeg, std::int32_t width,
                           std::int32_t height, DecodeFailure* why = nullptr);

}  // namespace tavrel
