#pragma once
// The program's global state: what every handler reads and writes. Everything starts zero or
// empty; nothing is kept between runs.

#include <cstdint>
#include <string>

#include "image/image_types.h"

namespace tavrel {

class ImageRegistry;

// Which size the custom-size group uses.
enum class SizeMode : std::int32_t { CustomBoxes = 1, Preset = 2 };

struct AppState {
    std::int32_t sizeMode = 0;      // a SizeMode value once the window exists
    std::int32_t presetWidth = 0;   // the last chosen ID-photo preset; 0 until one is chosen
    std::int32_t presetHeight = 0;
    std::string sourcePath;         // path text of the last drop
    ByteBuffer sourceBytes;         // raw contents of the last dropped file
    ImageHandle sourceImage = 0;    // what every resize starts from; 0: nothing decodable
    ByteBuffer resultBytes;         // 24-bit BMP of the last resize
    std::int32_t squareSize = 0;    // side of square scaling; 0 until the user sets it
};

AppState& appState();

// Every picture the program loads, alive until the program ends.
ImageRegistry& imageRegistry();

// Releases the buffers and texts of the state (the exit routine's part); empty ones cost nothing.
void releaseAppState();

}  // namespace tavrel
