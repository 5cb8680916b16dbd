// tavrel-cli: what the program does to a picture, from a shell. Reports sizes, renders a decoded
// picture, makes exactly sized results the way the window does, and parses typed numbers.

#include <charconv>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "forms/conversions.h"
#include "image/bitmap.h"
#include "image/decode.h"
#include "image/draw_picture.h"
#include "image/drawing_surface.h"
#include "image/encode.h"
#include "image/registry.h"
#include "image/resize.h"

// The build passes the project's version; a build that does not still compiles and says so.
#ifndef TAVREL_VERSION
#define TAVREL_VERSION "(unknown version)"
#endif

namespace {

using namespace tavrel;

// The surface the window makes: its form size and the toolkit's default button face.
constexpr std::int32_t kSurfaceWidth = 48;
constexpr std::int32_t kSurfaceHeight = 32;
constexpr ColorRef kDefaultButtonFace = 0xEFEFEF;

constexpr const char* kUsage =
    "Usage:\n"
    "  tavrel-cli info FILE\n"
    "      Print the picture's kind, width and height, e.g. \"Png 463 684\".\n"
    "  tavrel-cli decode FILE OUT.png\n"
    "      Write the picture as the preview draws it at its own size on white, as a PNG.\n"
    "  tavrel-cli resize FILE (WxH | N | --preset 1|2|3|5) OUT\n"
    "      Make a result exactly as the program does: W x H, N x N, or an ID-photo preset\n"
    "      (1: 295x413, 2: 413x626, 3: 180x252, 5: 840x1200). Sizes are 1 to 32627.\n"
    "      OUT ending in .jpg/.jpeg/.jpe/.jfif gets a JPEG, .png a PNG, anything else the\n"
    "      result's own 24-bit BMP bytes.\n"
    "  tavrel-cli number TEXT\n"
    "      Print the number a typed TEXT stands for, as the size boxes read it.\n"
    "  tavrel-cli --help\n"
    "  tavrel-cli --version\n"
    "Exit status: 0 on success, 1 on bad arguments or a picture or file that cannot be read or written.\n";

int fail(const std::string& message) {
    (void)std::fprintf(stderr, "tavrel-cli: %s\n", message.c_str());  // the exit status says it too
    return 1;
}

bool writeFile(const std::string& path, const ByteBuffer& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

std::optional<std::int32_t> parseSize(std::string_view text) {
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || value < 1 || value > DrawingSurface::kMaxSize) {
        return std::nullopt;
    }
    return value;
}

struct Size {
    std::int32_t width = 0;
    std::int32_t height = 0;  // 0: a square, as the slider asks for one
};

std::optional<Size> parsePreset(std::string_view text) {
    if (text == "1") return Size{295, 413};
    if (text == "2") return Size{413, 626};
    if (text == "3") return Size{180, 252};
    if (text == "5") return Size{840, 1200};
    return std::nullopt;
}

std::optional<Size> parseSizeArgument(std::string_view text) {
    const std::size_t cross = text.find_first_of("xX");
    if (cross == std::string_view::npos) {
        const auto side = parseSize(text);
        if (!side) return std::nullopt;
        return Size{*side, 0};
    }
    const auto width = parseSize(text.substr(0, cross));
    const auto height = parseSize(text.substr(cross + 1));
    if (!width || !height) return std::nullopt;
    return Size{*width, *height};
}

std::string decodeError(const std::string& path, DecodeFailure why) {
    return "cannot read a picture from " + path + " (" + decodeFailureName(why) + ")";
}

int runInfo(const std::string& path) {
    ImageRegistry registry;
    const DecodedImage* picture = registry.find(registry.loadImage(path));
    if (!picture) {
        DecodeFailure why = DecodeFailure::None;
        decodeImageFile(path, &why);
        return fail(decodeError(path, why));
    }
    std::printf("%s %d %d\n", imageKindName(picture->kind), picture->width, picture->height);
    return 0;
}

int runDecode(const std::string& path, const std::string& outPath) {
    DecodeFailure why = DecodeFailure::None;
    const std::optional<DecodedImage> picture = decodeImageFile(path, &why);
    if (!picture) return fail(decodeError(path, why));
    Bitmap canvas;
    if (!allocateBitmap(canvas, picture->width, picture->height, pixelFromColorRef(0xFFFFFF))) {
        return fail("not enough memory to draw " + path);
    }
    // As the preview draws it: averaging, transparency over white, 1-bit pictures black on white.
    const DrawState state{StretchMode::Halftone, 0x000000, 0xFFFFFF};
    if (!drawPicture(canvas, *picture, 0, 0, -1, -1, RasterOp::SourceCopy, 0xFFFFFF, state)) {
        return fail("cannot draw " + path);
    }
    const ByteBuffer png = encodePng(canvas);
    if (png.empty()) return fail("cannot encode " + path + " as PNG");
    if (!writeFile(outPath, png)) return fail("cannot write " + outPath);
    return 0;
}

int runResize(const std::string& path, const Size& size, const std::string& outPath) {
    DecodeFailure why = DecodeFailure::None;
    const std::optional<PictureFile> file = readPictureFile(path, &why);
    if (!file) return fail(decodeError(path, why));
    DrawingSurface surface(kSurfaceWidth, kSurfaceHeight, pixelFromColorRef(kDefaultButtonFace), StretchMode::Halftone);
    ByteBuffer result;
    if (detectImageKind(file->bytes) == ImageKind::Jpeg) {
        // A photo is stretched row by row as it is decoded: the same result without holding it.
        result = resizeJpegBytes(surface, file->bytes, size.width, size.height, &why);
        if (result.empty() && why != DecodeFailure::None) return fail(decodeError(path, why));
    } else {
        std::optional<DecodedImage> picture = decodePictureFile(*file, &why);
        if (!picture) return fail(decodeError(path, why));
        ImageRegistry registry;
        result = resizeImage(surface, registry, registry.add(std::move(*picture)), size.width, size.height);
    }
    if (result.empty()) return fail("not enough memory for the result");
    const ByteBuffer encoded = encodeForName(result, outPath, EncodedFormat::Bmp);
    if (encoded.empty()) return fail("cannot encode the result for " + outPath);
    if (!writeFile(outPath, encoded)) return fail("cannot write " + outPath);
    return 0;
}

}  // namespace

static int run(int argc, char** argv) {
    if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        // Output that cannot be written (a full disk, a closed pipe) is a failure, not a success.
        return std::fputs(kUsage, stdout) >= 0 && std::fflush(stdout) == 0 ? 0 : 1;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        return std::puts("tavrel-cli " TAVREL_VERSION) >= 0 && std::fflush(stdout) == 0 ? 0 : 1;
    }
    const std::string command = argc >= 2 ? argv[1] : "";
    if (command == "info" && argc == 3) return runInfo(argv[2]);
    if (command == "decode" && argc == 4) return runDecode(argv[2], argv[3]);
    if (command == "number" && argc == 3) {
        std::printf("%.17g\n", tavrel::forms::textToNumber(argv[2]));
        return 0;
    }
    if (command == "resize" && (argc == 5 || argc == 6)) {
        std::optional<Size> size;
        if (argc == 6 && std::strcmp(argv[3], "--preset") == 0) {
            size = parsePreset(argv[4]);
            if (!size) return fail(std::string("unknown preset '") + argv[4] + "' (use 1, 2, 3 or 5)");
        } else if (argc == 5) {
            size = parseSizeArgument(argv[3]);
            if (!size) return fail(std::string("bad size '") + argv[3] + "' (use WxH or N, each 1 to 32627)");
        } else {
            (void)std::fputs(kUsage, stderr);
            return 1;
        }
        return runResize(argv[2], *size, argv[argc - 1]);
    }
    if (command.empty()) {
        (void)std::fputs(kUsage, stderr);
        return 1;
    }
    (void)std::fputs(kUsage, stderr);
    return fail("bad arguments for '" + command + "'");
}

int main(int argc, char** argv) {
    try {
        return run(argc, argv);
    } catch (const std::exception& error) {
        return fail(std::string("stopped: ") + error.what());
    }
}
