#include "image/gif.h"

#include <algorithm>
#include <cstring>

#include "image/byte_reader.h"
#include "image/byte_writer.h"
#include "image/decode.h"
#include "image/lzw.h"
#include "image/size_limits.h"

namespace tavrel {
namespace {

constexpr std::uint8_t kHasColourTable = 0x80;
constexpr std::uint8_t kInterlaced = 0x40;
constexpr std::uint8_t kTableSizeBits = 0x07;
// Plain text and application extensions open with a header block of fixed size (its size byte
// included), then sub-blocks.
constexpr std::size_t kPlainTextHeaderBytes = 13;
constexpr std::size_t kApplicationHeaderBytes = 12;

std::int32_t tableEntries(std::uint8_t packed) {
    return (packed & kHasColourTable) ? 2 << (packed & kTableSizeBits) : 0;
}

// Skips sub-blocks up to and including the zero-length terminator.
void skipSubBlocks(ByteReader& in) {
    for (;;) {
        const std::uint8_t length = in.readU8();
        if (in.failed() || length == 0) return;
        in.skip(length);
    }
}

// Places indices row by row, undoing interlacing; whatever falls past the last row is dropped.
class RowSink final : public LzwSink {
public:
    RowSink(std::uint8_t* rows, std::size_t stride, std::size_t width, std::size_t height, bool interlaced)
        : rows_(rows), stride_(stride), width_(width), height_(height), interlaced_(interlaced) {}

    void write(const std::uint8_t* indices, std::size_t count) override {
        while (count > 0 && row_ < height_) {
            const std::size_t n = std::min(count, width_ - column_);
            std::memcpy(rows_ + row_ * stride_ + column_, indices, n);
            indices += n;
            count -= n;
            column_ += n;
            if (column_ == width_) nextRow();
        }
    }

private:
    // Interlaced images come in four passes: every 8th row from 0, every 8th from 4,
    // every 4th from 2, every 2nd from 1.
    static constexpr std::size_t kPassStart[4] = {0, 4, 2, 1};
    static constexpr std::size_t kPassStep[4] = {8, 8, 4, 2};

    void nextRow() {
        column_ = 0;
        if (!interlaced_) {
            ++row_;
            return;
        }
        row_ += kPassStep[pass_];
        while (row_ >= height_ && pass_ < 3) {
            ++pass_;
            row_ = kPassStart[pass_];
        }
    }

    std::uint8_t* rows_;
    std::size_t stride_;
    std::size_t width_;
    std::size_t height_;
    bool interlaced_;
    std::size_t row_ = 0;
    std::size_t column_ = 0;
    int pass_ = 0;
};

// The minimum code size byte that opens an image's data, checked before anything is allocated
// for the image.
std::optional<int> readMinCodeSize(std::span<const std::uint8_t> bytes, const GifImageDescriptor& image,
                                   DecodeFailure* why) {
    ByteReader in(bytes);
    in.seek(image.dataOffset);
    const int minCodeSize = in.readU8();
    if (in.failed()) return decodeFailed(why, DecodeFailure::Truncated);
    if (minCodeSize < kLzwMinCodeSizeLow || minCodeSize > kLzwMinCodeSizeHigh)
        return decodeFailed(why, DecodeFailure::Corrupt);
    return minCodeSize;
}

// Decodes an image's indices into `rows` (height rows of `stride` bytes, already zeroed) with the
// code table kept in `table`.
bool decodeGifRows(std::span<const std::uint8_t> bytes, const GifImageDescriptor& image, std::uint8_t* rows,
                   std::size_t stride, std::span<std::uint8_t> table, DecodeFailure* why) {
    if (image.width == 0 || image.height == 0 || stride < image.width) {
        decodeFailed(why, DecodeFailure::Corrupt);
        return false;
    }
    const auto minCodeSize = readMinCodeSize(bytes, image, why);
    if (!minCodeSize) return false;

    RowSink sink(rows, stride, image.width, image.height, image.interlaced);
    const LzwResult result = decodeLzw(bytes.subspan(image.dataOffset + 1), *minCodeSize, table, sink);
    if (!lzwSucceeded(result)) {
        decodeFailed(why, DecodeFailure::Corrupt);
        return false;
    }
    return true;
}

}  // namespace

GifStream::GifStream(std::span<const std::uint8_t> bytes, std::int32_t width, std::int32_t height,
                     std::size_t globalTable, std::int32_t globalEntries)
    : bytes_(bytes),
      screenWidth_(width),
      screenHeight_(height),
      globalTableOffset_(globalTable),
      globalTableEntries_(globalEntries),
      firstBlock_(globalTable + 3 * static_cast<std::size_t>(globalEntries)),
      position_(firstBlock_) {}

std::optional<GifStream> GifStream::open(std::span<const std::uint8_t> bytes, DecodeFailure* why) {
    if (bytes.size() <= kGifHeaderBytes) return decodeFailed(why, DecodeFailure::Truncated);
    ByteReader in(bytes);
    const auto signature = in.readBytes(6);
    const bool gif87a = std::memcmp(signature.data(), "GIF87a", 6) == 0;
    const bool gif89a = std::memcmp(signature.data(), "GIF89a", 6) == 0;
    if (!gif87a && !gif89a) return decodeFailed(why, DecodeFailure::BadSignature);

    const std::uint16_t width = in.readU16le();
    const std::uint16_t height = in.readU16le();
    const std::uint8_t packed = in.readU8();
    in.skip(2);  // background colour index and aspect ratio play no part
    if (width == 0 || height == 0) return decodeFailed(why, DecodeFailure::Corrupt);
    // The preview composes animations on a bitmap of the logical screen size.
    if (!checkedBlockSize(width, height, width)) return decodeFailed(why, DecodeFailure::TooLarge);

    const std::int32_t entries = tableEntries(packed);
    // The global table must leave at least one byte for blocks.
    if (3 * static_cast<std::size_t>(entries) + kGifHeaderBytes >= bytes.size())
        return decodeFailed(why, DecodeFailure::Truncated);
    return GifStream(bytes, width, height, kGifHeaderBytes, entries);
}

void GifStream::rewind() {
    position_ = firstBlock_;
    control_ = {};
}

std::optional<GifImageDescriptor> GifStream::readToNextImage(DecodeFailure* why) {
    control_.disposal = 0;
    ByteReader in(bytes_);
    in.seek(position_);
    bool wrapped = false;
    auto failAndRestart = [&](DecodeFailure reason) -> std::optional<GifImageDescriptor> {
        position_ = firstBlock_;
        return decodeFailed(why, reason);
    };

    for (;;) {
        const std::uint8_t introducer = in.readU8();
        if (in.failed()) return failAndRestart(DecodeFailure::Truncated);
        switch (static_cast<GifBlock>(introducer)) {
            case GifBlock::Extension: {
                const std::uint8_t label = in.readU8();
                switch (static_cast<GifExtension>(label)) {
                    case GifExtension::PlainText:
                        in.skip(kPlainTextHeaderBytes);
                        skipSubBlocks(in);
                        break;
                    case GifExtension::GraphicControl: {
                        in.skip(1);  // block size
                        const std::uint8_t packed = in.readU8();
                        const std::uint16_t delay = in.readU16le();
                        const std::uint8_t index = in.readU8();
                        in.skip(1);  // terminator
                        if (in.failed()) break;
                        control_.disposal = static_cast<std::uint8_t>((packed >> 2) & 0x07);
                        control_.transparent = (packed & 0x01) != 0;
                        control_.transparentIndex = index;
                        control_.delay = delay;
                        break;
                    }
                    case GifExtension::Comment: skipSubBlocks(in); break;
                    case GifExtension::Application:
                        in.skip(kApplicationHeaderBytes);
                        skipSubBlocks(in);  // loop counts are not used: playback loops for ever
                        break;
                    default:
                        if (!in.failed()) return failAndRestart(DecodeFailure::Corrupt);
                }
                if (in.failed()) return failAndRestart(DecodeFailure::Truncated);
                break;
            }
            case GifBlock::ImageDescriptor: {
                GifImageDescriptor image;
                image.left = in.readU16le();
                image.top = in.readU16le();
                image.width = in.readU16le();
                image.height = in.readU16le();
                const std::uint8_t packed = in.readU8();
                image.interlaced = (packed & kInterlaced) != 0;
                if (const std::int32_t local = tableEntries(packed); local > 0) {
                    image.tableOffset = in.position();
                    image.tableEntries = local;
                    in.skip(3 * static_cast<std::size_t>(local));
                } else {
                    image.tableOffset = globalTableOffset_;
                    image.tableEntries = globalTableEntries_;
                }
                if (in.failed()) return failAndRestart(DecodeFailure::Truncated);
                image.control = control_;
                image.dataOffset = in.position();
                // The image data may be cut short: its decoder copes, and the next read fails.
                ByteReader data(bytes_.subspan(image.dataOffset));
                data.skip(1);  // minimum code size
                skipSubBlocks(data);
                image.dataEnd = data.failed() ? bytes_.size() : image.dataOffset + data.position();
                position_ = image.dataEnd;
                return image;
            }
            case GifBlock::Trailer:
            case GifBlock::Restart:
                // A second return to the start within one read means a pass found no image.
                if (wrapped) return failAndRestart(DecodeFailure::Corrupt);
                wrapped = true;
                in.seek(firstBlock_);
                break;
            default: return failAndRestart(DecodeFailure::Corrupt);
        }
    }
}

std::array<Pixel, 256> GifStream::colourTable(const GifImageDescriptor& image) const {
    std::array<Pixel, 256> colours{};
    ByteReader in(bytes_);
    in.seek(image.tableOffset);
    const auto count = static_cast<std::size_t>(std::clamp<std::int32_t>(image.tableEntries, 0, 256));
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t red = in.readU8();
        const std::uint8_t green = in.readU8();
        const std::uint8_t blue = in.readU8();
        if (in.failed()) break;
        colours[i] = makePixel(red, green, blue);
    }
    return colours;
}

std::optional<GifFrame> GifStream::decodeImageIndices(const GifImageDescriptor& image, DecodeFailure* why) const {
    if (image.width == 0 || image.height == 0) return decodeFailed(why, DecodeFailure::Corrupt);
    const std::size_t pixelCount = std::size_t{image.width} * image.height;
    const auto size = checkedBlockSize(image.width, image.height, image.width, kLzwTableBytes);
    if (!size) return decodeFailed(why, DecodeFailure::TooLarge);
    if (!readMinCodeSize(bytes_, image, why)) return std::nullopt;
    GifFrame frame;
    frame.width = image.width;
    frame.height = image.height;
    if (!resizePixelBlock(frame.indices, *size)) return decodeFailed(why, DecodeFailure::TooLarge);
    // Rows first, the code table after them, in one allocation; the table goes once decoded.
    const std::span<std::uint8_t> table(frame.indices.data() + pixelCount, kLzwTableBytes);
    if (!decodeGifRows(bytes_, image, frame.indices.data(), image.width, table, why)) return std::nullopt;
    frame.indices.resize(pixelCount);
    frame.colours = colourTable(image);
    return frame;
}

std::optional<DecodedImage> decodeGif(std::span<const std::uint8_t> bytes, DecodeFailure* why) {
    auto stream = GifStream::open(bytes, why);
    if (!stream) return std::nullopt;
    const auto image = stream->readToNextImage(why);
    if (!image) return std::nullopt;

    if (image->width == 0 || image->height == 0) return decodeFailed(why, DecodeFailure::Corrupt);
    // Rows are padded to 4 bytes, as a device-independent bitmap wants them.
    const std::int64_t stride = ((std::int64_t{image->width} - 1) | 3) + 1;
    const auto size = checkedBlockSize(image->width, image->height, stride, kGifBlockOverhead);
    if (!size) return decodeFailed(why, DecodeFailure::TooLarge);
    if (!readMinCodeSize(bytes, *image, why)) return std::nullopt;

    DecodedImage decoded;
    decoded.kind = ImageKind::Gif;
    decoded.width = stream->screenWidth();
    decoded.height = stream->screenHeight();
    if (!resizePixelBlock(decoded.pixels, *size)) return decodeFailed(why, DecodeFailure::TooLarge);

    std::uint8_t* block = decoded.pixels.data();
    putU32(block + 0, kGifInfoHeaderBytes);
    putU32(block + 4, image->width);
    putU32(block + 8, static_cast<std::uint32_t>(-static_cast<std::int32_t>(image->height)));  // top-down rows
    putU16(block + 12, 1);                                                                     // planes
    putU16(block + 14, 8);                                                                     // bits per pixel
    putU32(block + 32, 256);                                                                   // colours used
    putU32(block + 36, 256);                                                                   // colours important
    const auto colours = stream->colourTable(*image);
    for (std::size_t i = 0; i < colours.size(); ++i) putU32(block + kGifInfoHeaderBytes + 4 * i, colours[i]);

    std::uint8_t* rows = block + kGifInfoHeaderBytes + kGifColourBytes;
    const std::size_t rowBytes = static_cast<std::size_t>(stride) * image->height;
    const std::span<std::uint8_t> table(rows + rowBytes, kLzwTableBytes);
    if (!decodeGifRows(bytes, *image, rows, static_cast<std::size_t>(stride), table, why)) return std::nullopt;
    if (why) *why = DecodeFailure::None;
    return decoded;
}

}  // namespace tavrel
