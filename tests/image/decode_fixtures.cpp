#include "decode_fixtures.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include <gtest/gtest.h>
#include <jpeglib.h>
#include <png.h>
#include <zlib.h>

namespace tavrel::test {

FixtureWriter& FixtureWriter::u8(std::uint8_t v) {
    out_.push_back(v);
    return *this;
}
FixtureWriter& FixtureWriter::u16(std::uint16_t v) {
    out_.push_back(static_cast<std::uint8_t>(v));
    out_.push_back(static_cast<std::uint8_t>(v >> 8));
    return *this;
}
FixtureWriter& FixtureWriter::u32(std::uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8) out_.push_back(static_cast<std::uint8_t>(v >> shift));
    return *this;
}
FixtureWriter& FixtureWriter::bytes(const ByteBuffer& b) {
    out_.insert(out_.end(), b.begin(), b.end());
    return *this;
}
FixtureWriter& FixtureWriter::zeros(std::size_t count) {
    out_.insert(out_.end(), count, 0);
    return *this;
}

ByteBuffer bitmapRowBytes(const BitmapPixels& pixels, bool topDown) {
    const std::size_t stride = (static_cast<std::size_t>(pixels.width) * pixels.bitsPerPixel + 31) / 32 * 4;
    ByteBuffer out(stride * static_cast<std::size_t>(pixels.rows), 0);
    for (std::int32_t stored = 0; stored < pixels.rows; ++stored) {
        const std::int32_t y = topDown ? stored : pixels.rows - 1 - stored;
        std::uint8_t* row = out.data() + static_cast<std::size_t>(stored) * stride;
        for (std::int32_t x = 0; x < pixels.width; ++x) {
            const std::uint32_t v = pixels.values.at(static_cast<std::size_t>(y) * static_cast<std::size_t>(pixels.width) + static_cast<std::size_t>(x));
            switch (pixels.bitsPerPixel) {
                case 24:
                case 32: {
                    std::uint8_t* p = row + x * (pixels.bitsPerPixel / 8);
                    p[0] = static_cast<std::uint8_t>(v);
                    p[1] = static_cast<std::uint8_t>(v >> 8);
                    p[2] = static_cast<std::uint8_t>(v >> 16);
                    if (pixels.bitsPerPixel == 32) p[3] = static_cast<std::uint8_t>(v >> 24);
                    break;
                }
                case 16:
                    row[x * 2] = static_cast<std::uint8_t>(v);
                    row[x * 2 + 1] = static_cast<std::uint8_t>(v >> 8);
                    break;
                default: {
                    const int bits = pixels.bitsPerPixel;
                    const int bit = x * bits;
                    row[bit / 8] |= static_cast<std::uint8_t>(v << (8 - bits - bit % 8));
                }
            }
        }
    }
    return out;
}

ByteBuffer makeBmp(const BmpFixture& fixture) {
    const ByteBuffer rows = bitmapRowBytes(fixture.pixels, fixture.topDown);
    const std::uint32_t tableEnd = 14 + fixture.headerSize + static_cast<std::uint32_t>(fixture.colours.size()) * 4;
    const std::uint32_t pixelOffset = fixture.pixelOffset.value_or(tableEnd);
    FixtureWriter w;
    w.u8('B').u8('M');
    w.u32(static_cast<std::uint32_t>(std::max(tableEnd, pixelOffset) + rows.size()));  // file size
    w.u16(0).u16(0);                                                                  // reserved
    w.u32(pixelOffset);
    w.u32(fixture.headerSize);
    w.i32(fixture.pixels.width);
    w.i32(fixture.topDown ? -fixture.pixels.rows : fixture.pixels.rows);
    w.u16(1);  // planes
    w.u16(fixture.pixels.bitsPerPixel);
    w.u32(fixture.compression);
    w.u32(static_cast<std::uint32_t>(rows.size()));  // image size
    w.i32(2835).i32(2835);                           // 72 dpi
    w.u32(fixture.coloursUsed);
    w.u32(0);  // colours important
    if (fixture.headerSize > 40) w.zeros(fixture.headerSize - 40);
    for (std::uint32_t c : fixture.colours) w.u32(c);
    if (pixelOffset > w.size()) w.zeros(pixelOffset - w.size());
    w.bytes(rows);
    return w.take();
}

ByteBuffer makeIconBitmap(const IconBitmapFixture& fixture) {
    const BitmapPixels& px = fixture.pixels;
    FixtureWriter w;
    w.u32(40);
    w.i32(px.width);
    w.i32(px.rows * 2);  // colour rows and mask
    w.u16(1);
    w.u16(px.bitsPerPixel);
    w.u32(0);  // uncompressed
    w.u32(0);  // image size
    w.i32(0).i32(0);
    w.u32(static_cast<std::uint32_t>(fixture.colours.size()));
    w.u32(0);
    for (std::uint32_t c : fixture.colours) w.u32(c);
    w.bytes(bitmapRowBytes(px));
    if (fixture.withMask) {
        BitmapPixels mask{px.width, px.rows, 1, std::vector<std::uint32_t>(px.values.size(), 0)};
        for (std::size_t i = 0; i < fixture.transparent.size(); ++i) mask.values[i] = fixture.transparent[i] ? 1 : 0;
        w.bytes(bitmapRowBytes(mask));
    }
    return w.take();
}

ByteBuffer makeIconFile(std::uint16_t type, const std::vector<IconEntryFixture>& entries) {
    FixtureWriter w;
    w.u16(0).u16(type).u16(static_cast<std::uint16_t>(entries.size()));
    std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * entries.size());
    for (const IconEntryFixture& e : entries) {
        w.u8(e.widthByte).u8(e.heightByte).u8(e.colourCount).u8(0);
        w.u16(1).u16(32);  // planes, bit count (hot spot for cursors)
        w.u32(e.bytesInImage.value_or(static_cast<std::uint32_t>(e.image.size())));
        w.u32(e.imageOffset.value_or(offset));
        offset += static_cast<std::uint32_t>(e.image.size());
    }
    for (const IconEntryFixture& e : entries) w.bytes(e.image);
    return w.take();
}

ByteBuffer makeJpeg(const JpegFixture& fixture) {
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    jpeg_mem_dest(&c, &out, &outSize);
    c.image_width = static_cast<JDIMENSION>(fixture.width);
    c.image_height = static_cast<JDIMENSION>(fixture.height);
    c.input_components = fixture.components;
    c.in_color_space = fixture.components == 3 ? JCS_RGB : fixture.components == 1 ? JCS_GRAYSCALE : JCS_CMYK;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 100, TRUE);
    if (fixture.components == 4) {
        jpeg_set_colorspace(&c, fixture.ycck ? JCS_YCCK : JCS_CMYK);
        c.write_Adobe_marker = fixture.adobeMarker ? TRUE : FALSE;
    }
    if (!fixture.subsample) {
        for (int i = 0; i < c.num_components; ++i) {
            c.comp_info[i].h_samp_factor = 1;
            c.comp_info[i].v_samp_factor = 1;
        }
    }
    if (fixture.progressive) jpeg_simple_progression(&c);
    c.arith_code = fixture.arithmetic ? TRUE : FALSE;
    jpeg_start_compress(&c, TRUE);
    const std::size_t stride = static_cast<std::size_t>(fixture.width) * fixture.components;
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(fixture.samples.data() + c.next_scanline * stride);
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    ByteBuffer bytes(out, out + outSize);
    std::free(out);
    return bytes;
}

ByteBuffer referenceJpegDecode(const ByteBuffer& jpeg) {
    jpeg_decompress_struct d{};
    jpeg_error_mgr err{};
    d.err = jpeg_std_error(&err);
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(&d, TRUE);
    jpeg_start_decompress(&d);
    const std::size_t width = d.output_width, height = d.output_height;
    const int components = d.output_components;
    std::vector<std::uint8_t> line(width * static_cast<std::size_t>(components));
    ByteBuffer stored(width * height * 3);
    while (d.output_scanline < d.output_height) {
        const std::size_t y = d.output_scanline;
        JSAMPROW row = line.data();
        jpeg_read_scanlines(&d, &row, 1);
        std::uint8_t* out = stored.data() + (height - 1 - y) * width * 3;
        for (std::size_t x = 0; x < width; ++x) {
            const std::uint8_t* in = line.data() + x * static_cast<std::size_t>(components);
            out[x * 3 + 0] = components == 3 ? in[2] : in[0];
            out[x * 3 + 1] = components == 3 ? in[1] : in[0];
            out[x * 3 + 2] = in[0];
        }
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    return stored;
}

ByteBuffer makePng(std::int32_t width, std::int32_t height, std::uint32_t format,
                   const std::vector<std::uint8_t>& samples) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = format;
    png_alloc_size_t size = 0;
    png_image_write_to_memory(&image, nullptr, &size, 0, samples.data(), 0, nullptr);
    ByteBuffer out(size);
    if (!png_image_write_to_memory(&image, out.data(), &size, 0, samples.data(), 0, nullptr)) {
        ADD_FAILURE() << "libpng could not write the fixture: " << image.message;
        return {};
    }
    out.resize(size);
    return out;
}

namespace {

void pngChunk(ByteBuffer& out, const char* type, const ByteBuffer& data) {
    const auto length = static_cast<std::uint32_t>(data.size());
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(length >> shift));
    const std::size_t typeAt = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    const uLong crc = crc32(0, out.data() + typeAt, static_cast<uInt>(out.size() - typeAt));
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(crc >> shift));
}

}  // namespace

ByteBuffer makeRawPng(std::uint32_t width, std::uint32_t height, std::uint8_t bitDepth, std::uint8_t colourType,
                      const ByteBuffer& idat) {
    ByteBuffer out = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    ByteBuffer ihdr;
    for (std::uint32_t v : {width, height})
        for (int shift = 24; shift >= 0; shift -= 8) ihdr.push_back(static_cast<std::uint8_t>(v >> shift));
    ihdr.insert(ihdr.end(), {bitDepth, colourType, 0, 0, 0});  // compression, filter, interlace
    pngChunk(out, "IHDR", ihdr);
    pngChunk(out, "IDAT", idat);
    pngChunk(out, "IEND", {});
    return out;
}

std::string writeTempFile(const std::string& name, const ByteBuffer& bytes) {
    // Each test case runs as its own process, possibly side by side: keep names apart.
    const std::string path = ::testing::TempDir() + "tavrel_decode_" + std::to_string(::getpid()) + "_" + name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
}

std::uint32_t storedBgrAt(const DecodedImage& image, std::int32_t x, std::int32_t y) {
    const std::size_t at = (static_cast<std::size_t>(image.height - 1 - y) * static_cast<std::size_t>(image.width) +
                            static_cast<std::size_t>(x)) * 3;
    return (std::uint32_t{image.pixels.at(at + 2)} << 16) | (std::uint32_t{image.pixels.at(at + 1)} << 8) |
           image.pixels.at(at);
}

}  // namespace tavrel::test
