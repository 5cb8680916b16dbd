#include "image/preview_render.h"

#include "image/draw_picture.h"
#include "image/stretch.h"

namespace tavrel {

bool paintPreview(Bitmap& client, const PreviewStyle& style, const PreviewContent& content) {
    if (!allocateBitmap(client, style.clientWidth, style.clientHeight, pixelFromColorRef(style.background))) {
        // A box without area has nothing to show; only a failed allocation is a failure.
        return style.clientWidth <= 0 || style.clientHeight <= 0;
    }
    if (content.composition) {
        const Bitmap& screen = *content.composition;
        const Placement at = placePicture(style.clientWidth, style.clientHeight, screen.width, screen.height, style.mode);
        if (at.width <= 0 || at.height <= 0) return true;
        return stretchPicture(client, BitmapSource(screen), at.x, at.y, at.width, at.height, style.stretchMode);
    }
    if (content.picture) {
        const DecodedImage& picture = *content.picture;
        const Placement at = placePicture(style.clientWidth, style.clientHeight, picture.width, picture.height, style.mode);
        // An empty placement must draw nothing, not the picture's own size.
        if (at.width <= 0 || at.height <= 0) return true;
        // A paint surface starts with black text on white, which is what 1-bit pictures take.
        DrawState state;
        state.stretchMode = style.stretchMode;
        drawPicture(client, picture, at.x, at.y, at.width, at.height, RasterOp::SourceCopy, style.background, state);
    }
    return true;
}

const Bitmap& PreviewRenderer::render(const PreviewStyle& style, const PreviewContent& content,
                                      std::uint64_t contentVersion) {
    const bool same = valid_ && contentVersion == version_ && content.picture == content_.picture &&
                      content.composition == content_.composition && style.clientWidth == style_.clientWidth &&
                      style.clientHeight == style_.clientHeight && style.background == style_.background &&
                      style.mode == style_.mode && style.stretchMode == style_.stretchMode;
    if (same) return client_;
    valid_ = paintPreview(client_, style, content);
    style_ = style;
    content_ = content;
    version_ = contentVersion;
    return client_;
}

}  // namespace tavrel
