#pragma once
// Colours of the form: 0x00BBGGRR words, with one marker for the system button face.

#include <cstdint>

#include <QColor>

namespace tavrel::forms {

// As a background: the button face. As the canvas's text background: transparent.
inline constexpr std::uint32_t kButtonFaceMarker = 0xFF000000u;

// The toolkit's button face: what the marker stands for.
QColor buttonFaceColour();
// A stored colour as the toolkit's colour; the marker becomes the button face.
QColor colourFromRef(std::uint32_t colour);

}  // namespace tavrel::forms
