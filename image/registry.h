#pragma once
// The set of live decoded pictures behind handles. Pictures stay registered until the registry
// is destroyed (or released explicitly by callers that no longer need them).

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <unordered_map>

#include "image/image_types.h"

namespace tavrel {

class ImageRegistry {
public:
    // Decodes and registers; 0 for an empty path or buffer, or any decode failure.
    ImageHandle loadImage(const std::string& path);
    ImageHandle loadImage(std::span<const std::uint8_t> bytes);
    // Registers an already decoded picture and returns its new handle.
    ImageHandle add(DecodedImage image);

    // nullptr when the handle names no live picture (0 never does).
    const DecodedImage* find(ImageHandle handle) const;
    // The picture itself, shared: it lives on while a holder keeps it, even once released here.
    std::shared_ptr<const DecodedImage> share(ImageHandle handle) const;
    bool release(ImageHandle handle);
    std::size_t size() const { return images_.size(); }

private:
    std::unordered_map<ImageHandle, std::shared_ptr<const DecodedImage>> images_;
    ImageHandle next_ = 1;
};

}  // namespace tavrel
