#include "image/image_types.h"

namespace tavrel {

const char* imageKindName(ImageKind kind) {
    switch (kind) {
        case ImageKind::Jpeg: return "Jpeg";
        case ImageKind::Bmp: return "Bmp";
        case ImageKind::Icon: return "Icon";
        case ImageKind::Cursor: return "Cursor";
        case ImageKind::Gif: return "Gif";
        case ImageKind::Pcx8: return "Pcx8";
        case ImageKind::Pcx1: return "Pcx1";
        case ImageKind::Png: return "Png";
        case ImageKind::Unknown: break;
    }
    return "Unknown";
}

}  // namespace tavrel
