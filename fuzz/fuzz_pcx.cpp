// Arbitrary bytes through the PCX decoder, then through recognition and dispatch.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "fuzz_checks.h"
#include "image/decode.h"
#include "image/pcx.h"

namespace {

// Rows must be wide enough for the picture's width, whoever reads them by it.
void checkPcxBlock(const std::optional<tavrel::DecodedImage>& image) {
    if (!image) return;
    const auto width = static_cast<std::size_t>(image->width);
    const auto height = static_cast<std::size_t>(image->height);
    const std::size_t size = image->pixels.size();
    if (image->kind == tavrel::ImageKind::Pcx8) {
        if (size < tavrel::kPcxBlockOverhead || (size - tavrel::kPcxBlockOverhead) % height != 0) std::abort();
        const std::size_t stride = (size - tavrel::kPcxBlockOverhead) / height;
        if (stride % 4 != 0 || stride < width) std::abort();
    } else if (image->kind == tavrel::ImageKind::Pcx1) {
        const std::size_t stride = ((width + 7) / 8 + 1) & ~std::size_t{1};
        if (size != stride * height) std::abort();
    } else {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    const auto image = tavrel::decodePcx(bytes, nullptr);
    tavrel::fuzz::checkPicture(image);
    checkPcxBlock(image);
    tavrel::fuzz::checkPicture(tavrel::decodeImage(bytes));
    return 0;
}
