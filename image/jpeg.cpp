#include "image/jpeg.h"

#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <new>

#include <jpeglib.h>
#include <jerror.h>

#include "image/decode.h"
#include "image/jpeg_errors.h"
#include "image/size_limits.h"

namespace tavrel {

namespace {

// The stream is handed to libjpeg in chunks of this size straight from memory.
constexpr std::size_t kChunkBytes = 4096;

// An end-of-image marker that completes a stream cut short.
const JOCTET kEndOfImage[2] = {0xFF, JPEG_EOI};

struct MemorySource {
    jpeg_source_mgr base;  // first, so libjpeg's pointer converts back
    const JOCTET* data;
    std::size_t size;
    std::size_t position;
    bool startOfFile;
    bool ranOut;  // the end marker had to be supplied
};

void initSource(j_decompress_ptr) {}

boolean fillInputBuffer(j_decompress_ptr cinfo) {
    auto* src = reinterpret_cast<MemorySource*>(cinfo->src);
    const std::size_t left = src->size - src->position;
    if (left == 0) {
        if (src->startOfFile) ERREXIT(cinfo, JERR_INPUT_EMPTY);
        // A file cut short decodes as far as it goes; libjpeg fills the rest.
        WARNMS(cinfo, JWRN_JPEG_EOF);
        src->ranOut = true;
        src->base.next_input_byte = kEndOfImage;
        src->base.bytes_in_buffer = sizeof kEndOfImage;
        return TRUE;
    }
    const std::size_t chunk = left < kChunkBytes ? left : kChunkBytes;
    src->base.next_input_byte = src->data + src->position;
    src->base.bytes_in_buffer = chunk;
    src->position += chunk;
    src->startOfFile = false;
    return TRUE;
}

void skipInputData(j_decompress_ptr cinfo, long count) {
    if (count <= 0) return;
    auto* src = reinterpret_cast<MemorySource*>(cinfo->src);
    auto remaining = static_cast<std::size_t>(count);
    while (remaining > src->base.bytes_in_buffer) {
        remaining -= src->base.bytes_in_buffer;
        fillInputBuffer(cinfo);
        // Past the end: leave the supplied end marker for the reader to meet.
        if (src->base.next_input_byte == kEndOfImage) return;
    }
    src->base.next_input_byte += remaining;
    src->base.bytes_in_buffer -= remaining;
}

void termSource(j_decompress_ptr) {}

// Adobe's writers store CMYK inverted (0 = full ink) and say so with their APP14 marker.
void cmykRowToBgr(const JSAMPLE* cmyk, std::uint8_t* out, JDIMENSION width, bool inverted) {
    for (JDIMENSION x = 0; x < width; ++x, cmyk += 4, out += 3) {
        unsigned c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        out[0] = static_cast<std::uint8_t>((y * k + 127) / 255);
        out[1] = static_cast<std::uint8_t>((m * k + 127) / 255);
        out[2] = static_cast<std::uint8_t>((c * k + 127) / 255);
    }
}

DecodeFailure failureOfError(int code) {
    switch (code) {
        case JERR_INPUT_EMPTY:
        case JERR_INPUT_EOF: return DecodeFailure::Truncated;
        case JERR_OUT_OF_MEMORY:
        case JERR_IMAGE_TOO_BIG:
        case JERR_WIDTH_OVERFLOW: return DecodeFailure::TooLarge;
        case JERR_BAD_PRECISION:
        case JERR_NOT_COMPILED:
        case JERR_ARITH_NOTIMPL:
        case JERR_CONVERSION_NOTIMPL:
        case JERR_SOF_UNSUPPORTED: return DecodeFailure::Unsupported;
        default: return DecodeFailure::Corrupt;
    }
}

// The libjpeg sequence proper. Only trivially destructible objects live here: a fatal error
// longjmps back into this frame past everything in between.
bool runDecompressor(jpeg_decompress_struct& cinfo, JumpingErrorManager& errors, MemorySource& source,
                     JpegRowSink& sink, DecodeFailure& failure) {
    if (setjmp(errors.jump)) {
        // Whatever went wrong after the data ran out, the cause is the missing rest.
        failure = source.ranOut ? DecodeFailure::Truncated : failureOfError(errors.base.msg_code);
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    cinfo.src = &source.base;

    jpeg_read_header(&cinfo, TRUE);
    // The library's own output colour space is kept; only the byte order of RGB is ours to pick,
    // so rows come out blue first with no pass over the pixels afterwards.
    const bool cmyk = cinfo.out_color_space == JCS_CMYK;
    if (cinfo.out_color_space == JCS_RGB || cinfo.out_color_space == JCS_GRAYSCALE) {
        cinfo.out_color_space = JCS_EXT_BGR;
    } else if (!cmyk) {
        failure = DecodeFailure::Unsupported;
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    // Progressive files get whole-picture buffers at start: refuse a huge size before that.
    jpeg_calc_output_dimensions(&cinfo);
    const JDIMENSION width = cinfo.output_width;
    const JDIMENSION height = cinfo.output_height;
    if (!checkedBlockSize(width, height, std::int64_t{width} * 3) ||
        !sink.begin(static_cast<std::int32_t>(width), static_cast<std::int32_t>(height))) {
        failure = DecodeFailure::TooLarge;
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    const bool inverted = cmyk && cinfo.saw_Adobe_marker;

    jpeg_start_decompress(&cinfo);
    JSAMPROW cmykRow = nullptr;
    if (cmyk) {
        cmykRow = *(*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE, width * 4, 1);
    }
    while (cinfo.output_scanline < height) {
        const auto y = static_cast<std::int32_t>(cinfo.output_scanline);
        std::uint8_t* row = sink.rowBuffer(y);
        if (row == nullptr) {
            failure = DecodeFailure::TooLarge;
            jpeg_destroy_decompress(&cinfo);
            return false;
        }
        JSAMPROW target = cmyk ? cmykRow : row;
        if (jpeg_read_scanlines(&cinfo, &target, 1) != 1) {
            failure = DecodeFailure::Corrupt;
            jpeg_destroy_decompress(&cinfo);
            return false;
        }
        if (cmyk) cmykRowToBgr(cmykRow, row, width, inverted);
        sink.rowDone(y);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

// Builds a picture in the stored layout: bottom-up, so row y goes to stored row height - 1 - y.
class PictureSink final : public JpegRowSink {
public:
    explicit PictureSink(DecodedImage& image) : image_(image) {}

    bool begin(std::int32_t width, std::int32_t height) noexcept override {
        image_.width = width;
        image_.height = height;
        stride_ = static_cast<std::size_t>(width) * 3;
        return resizePixelBlock(image_.pixels, stride_ * static_cast<std::size_t>(height));
    }
    std::uint8_t* rowBuffer(std::int32_t y) noexcept override {
        return image_.pixels.data() + static_cast<std::size_t>(image_.height - 1 - y) * stride_;
    }
    void rowDone(std::int32_t) noexcept override {}

private:
    DecodedImage& image_;
    std::size_t stride_ = 0;
};

}  // namespace

bool decodeJpegRows(std::span<const std::uint8_t> bytes, JpegRowSink& sink, DecodeFailure* why) {
    jpeg_decompress_struct cinfo{};
    JumpingErrorManager errors{};
    cinfo.err = quietJumpingErrors(errors);

    MemorySource source{};
    source.base.init_source = initSource;
    source.base.fill_input_buffer = fillInputBuffer;
    source.base.skip_input_data = skipInputData;
    source.base.resync_to_restart = jpeg_resync_to_restart;
    source.base.term_source = termSource;
    source.data = bytes.data();
    source.size = bytes.size();
    source.startOfFile = true;

    DecodeFailure failure = DecodeFailure::Corrupt;
    const bool ok = runDecompressor(cinfo, errors, source, sink, failure);
    if (why) *why = ok ? DecodeFailure::None : failure;
    return ok;
}

std::optional<DecodedImage> decodeJpeg(std::span<const std::uint8_t> bytes, DecodeFailure* why) {
    DecodedImage image;
    image.kind = ImageKind::Jpeg;
    PictureSink sink(image);
    if (!decodeJpegRows(bytes, sink, why)) return std::nullopt;
    return image;
}

}  // namespace tavrel
