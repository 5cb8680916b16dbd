#include "image/resize.h"

#include "image/drawing_surface.h"

namespace tavrel {

ByteBuffer resizeImage(DrawingSurface& surface, const ImageRegistry& registry, ImageHandle source,
                       std::int32_t width, std::int32_t height) {
    if (width == 0) {
        width = height;
    } else if (height == 0) {
        height = width;
    }
    surface.setWidth(width);
    surface.setHeight(height);
    surface.drawImage(registry, source, 0, 0, width, height);
    return surface.grabImage(width, height);
}

}  // namespace tavrel
