#pragma once
// Recognising and decoding pictures from bytes or files.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "image/image_types.h"

namespace tavrel {

// Recognises the kind from the first 8 bytes only (fewer than 8: Unknown); never from a name.
ImageKind detectImageKind(std::span<const std::uint8_t> firstBytes);

// Decodes without registering; nullopt on any failure, with the reason in *why when given.
std::optional<DecodedImage> decodeImage(std::span<const std::uint8_t> bytes, DecodeFailure* why = nullptr);
// Same from a file path (native bytes). A file that cannot be opened or read gives nullopt.
std::optional<DecodedImage> decodeImageFile(const std::string& path, DecodeFailure* why = nullptr);

// A file's bytes as the decoders take them; nullopt when it cannot be opened, is not a plain file
// or is too large to be a picture. `complete` is false when fewer bytes could be read than the
// file held when opened.
struct PictureFile {
    ByteBuffer bytes;
    bool complete = false;
};
std::optional<PictureFile> readPictureFile(const std::string& path, DecodeFailure* why = nullptr);
// Decodes what was read: a GIF or PCX that could not be read whole gives nullopt.
std::optional<DecodedImage> decodePictureFile(const PictureFile& file, DecodeFailure* why = nullptr);

// Per-kind decoders, each taking the whole file's bytes.
std::optional<DecodedImage> decodeJpeg(std::span<const std::uint8_t> bytes, DecodeFailure* why);
std::optional<DecodedImage> decodePng(std::span<const std::uint8_t> bytes, DecodeFailure* why);
std::optional<DecodedImage> decodeBmp(std::span<const std::uint8_t> bytes, DecodeFailure* why);
std::optional<DecodedImage> decodeIcon(std::span<const std::uint8_t> bytes, DecodeFailure* why);
std::optional<DecodedImage> decodeGif(std::span<const std::uint8_t> bytes, DecodeFailure* why);
std::optional<DecodedImage> decodePcx(std::span<const std::uint8_t> bytes, DecodeFailure* why);

// Records why a decode gave no picture (when the caller asked) and gives that empty result.
inline std::nullopt_t decodeFailed(DecodeFailure* why, DecodeFailure reason) {
    if (why) *why = reason;
    return std::nullopt;
}

}  // namespace tavrel
