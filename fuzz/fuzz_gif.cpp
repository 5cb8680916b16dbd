// Arbitrary bytes through the still GIF decoder, the block reader as the animation walks it, and
// recognition with dispatch.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "fuzz_checks.h"
#include "image/decode.h"
#include "image/gif.h"

namespace {

// The still layout: header, 256 colours, rows padded to 4, then the code table.
void checkGifBlock(const std::optional<tavrel::DecodedImage>& image) {
    if (!image) return;
    const auto& block = image->pixels;
    if (image->kind != tavrel::ImageKind::Gif || block.size() < tavrel::kGifBlockOverhead) std::abort();
    const std::int64_t width = block[4] | (block[5] << 8) | (block[6] << 16) | (std::int64_t{block[7]} << 24);
    const auto height = -static_cast<std::int32_t>(block[8] | (block[9] << 8) | (block[10] << 16) | (block[11] << 24));
    if (width <= 0 || height <= 0) std::abort();
    const std::int64_t stride = ((width - 1) | 3) + 1;
    if (static_cast<std::int64_t>(block.size()) !=
        stride * height + static_cast<std::int64_t>(tavrel::kGifBlockOverhead))
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    const auto still = tavrel::decodeGif(bytes, nullptr);
    tavrel::fuzz::checkPicture(still);
    checkGifBlock(still);

    if (auto stream = tavrel::GifStream::open(bytes)) {
        for (int i = 0; i < 8; ++i) {
            const auto image = stream->readToNextImage();
            if (!image) continue;
            if (image->dataOffset > size || image->dataEnd > size || image->dataOffset > image->dataEnd) std::abort();
            if (const auto frame = stream->decodeImageIndices(*image)) {
                if (frame->indices.size() != std::size_t{image->width} * image->height) std::abort();
            }
        }
    }
    tavrel::fuzz::checkPicture(tavrel::decodeImage(bytes));
    return 0;
}
