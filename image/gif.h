#pragma once
// GIF block reader and image decoder. The still decoder (decodeGif) takes the first image; the
// preview box's animation walks every image with the same reader and decodes each in turn.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "image/bitmap.h"
#include "image/image_types.h"

namespace tavrel {

// Signature and logical screen descriptor.
inline constexpr std::size_t kGifHeaderBytes = 13;
// The still layout: bitmap info header, 256 colour entries, rows, then the decoder's code table.
inline constexpr std::size_t kGifInfoHeaderBytes = 40;
inline constexpr std::size_t kGifColourBytes = std::size_t{256} * 4;
inline constexpr std::size_t kGifBlockOverhead = 25640;  // 40 + 1,024 + the 24,576-byte code table

// Block introducers and extension labels, as they appear in the file.
enum class GifBlock : std::uint8_t {
    Restart = 0x00,  // read like the trailer: back to the first block
    Extension = 0x21,
    ImageDescriptor = 0x2C,
    Trailer = 0x3B,
};
enum class GifExtension : std::uint8_t {
    PlainText = 0x01,
    GraphicControl = 0xF9,
    Comment = 0xFE,
    Application = 0xFF,
};

// What the last graphic control extension set. The disposal method holds for one image only;
// delay and transparency stay in force for later images that bring none.
struct GifGraphicControl {
    std::uint8_t disposal = 0;  // 2 and 3 put back the area the image covered; 0 and 1 leave it
    bool transparent = false;
    std::uint8_t transparentIndex = 0;
    std::uint16_t delay = 0;  // hundredths of a second
};

// One image descriptor, with what is needed to decode it later from the same bytes.
struct GifImageDescriptor {
    std::uint16_t left = 0;
    std::uint16_t top = 0;
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    bool interlaced = false;
    std::size_t tableOffset = 0;    // colour table in force: the local one, else the global one
    std::int32_t tableEntries = 0;  // 0: neither table exists
    GifGraphicControl control;      // the state in force for this image
    std::size_t dataOffset = 0;     // the minimum code size byte
    std::size_t dataEnd = 0;        // just past the image's sub-blocks (or the end of the data)
};

// One image's colour indices, rows top-down (interlacing undone), `width` bytes a row.
struct GifFrame {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint8_t> indices;
    std::array<Pixel, 256> colours{};  // the table in force; entries past its end are 0
};

// Reads a GIF block by block. It keeps a view of the bytes, which must outlive it.
class GifStream {
public:
    // Checks the signature, the logical screen (both sides non-zero and within the pixel cap) and
    // that the global colour table leaves room for blocks. nullopt on failure.
    static std::optional<GifStream> open(std::span<const std::uint8_t> bytes, DecodeFailure* why = nullptr);

    std::int32_t screenWidth() const { return screenWidth_; }
    std::int32_t screenHeight() const { return screenHeight_; }

    // Reads blocks up to the next image descriptor and moves past that image's data. The trailer
    // (or a 0x00 byte) sends reading back to the first block, so playback loops; a whole pass
    // without an image fails instead of going round for ever. After any failure the next call
    // starts again at the first block. The disposal method is cleared before each read.
    std::optional<GifImageDescriptor> readToNextImage(DecodeFailure* why = nullptr);
    // Back to the first block with no graphic control in force.
    void rewind();

    // The colour table in force for an image as blue, green, red, 0 entries; unset entries 0.
    std::array<Pixel, 256> colourTable(const GifImageDescriptor& image) const;
    // Decodes an image's colour indices, interlacing undone. Data that ends before the end code keeps
    // what was decoded (the rest 0); an illegal code or a bad minimum code size fails.
    std::optional<GifFrame> decodeImageIndices(const GifImageDescriptor& image, DecodeFailure* why = nullptr) const;

private:
    GifStream(std::span<const std::uint8_t> bytes, std::int32_t width, std::int32_t height, std::size_t globalTable,
              std::int32_t globalEntries);

    std::span<const std::uint8_t> bytes_;
    std::int32_t screenWidth_ = 0;
    std::int32_t screenHeight_ = 0;
    std::size_t globalTableOffset_ = 0;
    std::int32_t globalTableEntries_ = 0;
    std::size_t firstBlock_ = 0;
    std::size_t position_ = 0;
    GifGraphicControl control_;
};

}  // namespace tavrel
