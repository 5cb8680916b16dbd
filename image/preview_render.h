#pragma once
// The preview box's client area as pixels: its background everywhere, then the picture at the
// place its display mode gives. Toolkit-free, so the box's look is tested headless.

#include <cstdint>

#include "image/bitmap.h"
#include "image/image_types.h"
#include "image/placement.h"

namespace tavrel {

// The box's side of a paint.
struct PreviewStyle {
    std::int32_t clientWidth = 0;
    std::int32_t clientHeight = 0;
    ColorRef background = 0;  // 0x00BBGGRR, the button-face marker already resolved
    DisplayMode mode = DisplayMode::Fit;
    StretchMode stretchMode = StretchMode::Halftone;
};

// What the box shows: nothing, a decoded picture, or a playing GIF's composition (drawn like a
// still GIF: its own pixels stretched, no transparency). At most one of the two is set.
struct PreviewContent {
    const DecodedImage* picture = nullptr;
    const Bitmap* composition = nullptr;
};

// Paints `client` (made clientWidth x clientHeight): the background, then the content at its
// placement, PNG transparency composited onto the background. False when memory was short.
bool paintPreview(Bitmap& client, const PreviewStyle& style, const PreviewContent& content);

// paintPreview with the last result kept: painting the same content at the same style again
// gives the kept pixels without stretching anew.
class PreviewRenderer {
public:
    // `contentVersion` must differ whenever the content (or what it points to) has changed.
    const Bitmap& render(const PreviewStyle& style, const PreviewContent& content, std::uint64_t contentVersion);
    // Drops the kept result.
    void forget() { valid_ = false; }

private:
    Bitmap client_;
    bool valid_ = false;
    PreviewStyle style_;
    PreviewContent content_;
    std::uint64_t version_ = 0;
};

}  // namespace tavrel
