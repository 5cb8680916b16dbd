#include "image/registry.h"

#include <new>

#include "image/decode.h"

namespace tavrel {

ImageHandle ImageRegistry::loadImage(const std::string& path) {
    if (path.empty()) return 0;
    std::optional<DecodedImage> image = decodeImageFile(path);
    return image ? add(std::move(*image)) : 0;
}

ImageHandle ImageRegistry::loadImage(std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) return 0;
    std::optional<DecodedImage> image = decodeImage(bytes);
    return image ? add(std::move(*image)) : 0;
}

ImageHandle ImageRegistry::add(DecodedImage image) {
    try {
        // Handles count up; after a wrap, 0 and any still live are passed over.
        while (next_ == 0 || images_.contains(next_)) ++next_;
        const ImageHandle handle = next_++;
        images_.emplace(handle, std::make_shared<const DecodedImage>(std::move(image)));
        return handle;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

const DecodedImage* ImageRegistry::find(ImageHandle handle) const {
    if (handle == 0) return nullptr;
    const auto it = images_.find(handle);
    return it == images_.end() ? nullptr : it->second.get();
}

std::shared_ptr<const DecodedImage> ImageRegistry::share(ImageHandle handle) const {
    const auto it = handle == 0 ? images_.end() : images_.find(handle);
    return it == images_.end() ? nullptr : it->second;
}

bool ImageRegistry::release(ImageHandle handle) {
    return images_.erase(handle) != 0;
}

}  // namespace tavrel
