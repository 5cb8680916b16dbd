#include "app/window_icon.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

namespace tavrel {
namespace {

constexpr int kSide = 64;
constexpr int kSamples = 4;  // per axis: smooth diagonals and round edges

struct Colour {
    double r, g, b, a;
};

constexpr Colour kClear{0, 0, 0, 0};
constexpr Colour kFrame{0x2E, 0x4A, 0x7A, 1};
constexpr Colour kSkyTop{0x9C, 0xD3, 0xFF, 1};
constexpr Colour kSkyBottom{0xE4, 0xF4, 0xFF, 1};
constexpr Colour kSun{0xFF, 0xC4, 0x2E, 1};
constexpr Colour kHillFar{0x5C, 0xB8, 0x5C, 1};
constexpr Colour kHillNear{0x2F, 0x8F, 0x3F, 1};
constexpr Colour kArrow{0xF2, 0x6B, 0x1D, 1};
constexpr Colour kArrowEdge{0xFF, 0xFF, 0xFF, 1};

// Distance from p to the segment a-b.
double segmentDistance(double px, double py, double ax, double ay, double bx, double by) {
    const double dx = bx - ax;
    const double dy = by - ay;
    const double t = std::clamp(((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
    return std::hypot(px - (ax + t * dx), py - (ay + t * dy));
}

// Inside the triangle a, b, c (either winding).
bool inTriangle(double px, double py, double ax, double ay, double bx, double by, double cx, double cy) {
    const double d1 = (px - bx) * (ay - by) - (ax - bx) * (py - by);
    const double d2 = (px - cx) * (by - cy) - (bx - cx) * (py - cy);
    const double d3 = (px - ax) * (cy - ay) - (cx - ax) * (py - ay);
    const bool negative = d1 < 0 || d2 < 0 || d3 < 0;
    const bool positive = d1 > 0 || d2 > 0 || d3 > 0;
    return !(negative && positive);
}

// An arrow head with its point at (tipX, tipY) pointing along the unit direction (dx, dy).
bool inHead(double x, double y, double tipX, double tipY, double dx, double dy, double length, double halfWidth) {
    const double baseX = tipX - dx * length;
    const double baseY = tipY - dy * length;
    return inTriangle(x, y, tipX, tipY, baseX - dy * halfWidth, baseY + dx * halfWidth, baseX + dy * halfWidth,
                      baseY - dx * halfWidth);
}

// The arrow runs from the frame's lower left to its upper right with a head at each end; `grow`
// widens it for its white outline.
bool inArrow(double x, double y, double grow) {
    constexpr double kTailX = 21, kTailY = 51, kTipX = 51, kTipY = 21;
    const double along = std::sqrt(0.5);
    if (segmentDistance(x, y, kTailX, kTailY, kTipX, kTipY) <= 2.0 + grow) return true;
    const double reach = grow * 1.5;
    return inHead(x, y, kTipX + along * reach, kTipY - along * reach, along, -along, 11 + 2 * reach, 7 + grow) ||
           inHead(x, y, kTailX - along * reach, kTailY + along * reach, -along, along, 11 + 2 * reach, 7 + grow);
}

// The colour of one sample point of the icon, in pixel coordinates from the top-left.
Colour sample(double x, double y) {
    if (inArrow(x, y, 0)) return kArrow;
    if (inArrow(x, y, 1.6)) return kArrowEdge;
    // The frame: a rounded square ring; inside it a small landscape.
    const double cornerX = std::max({6.0 - x, x - 58.0, 0.0});
    const double cornerY = std::max({6.0 - y, y - 58.0, 0.0});
    if (x < 2 || y < 2 || x > 62 || y > 62 || std::hypot(cornerX, cornerY) > 4) return kClear;
    if (x < 7 || y < 7 || x > 57 || y > 57) return kFrame;
    if (std::hypot(x - 20, y - 19) < 6) return kSun;
    if (y > 57 - (x < 30 ? (x - 7) * 0.9 : (53 - x) * 0.9) && x < 53) return kHillFar;
    if (y > 57 - (x - 30) * 0.75 && x > 30) return kHillNear;
    const double t = (y - 7) / 50;
    return {kSkyTop.r + (kSkyBottom.r - kSkyTop.r) * t, kSkyTop.g + (kSkyBottom.g - kSkyTop.g) * t,
            kSkyTop.b + (kSkyBottom.b - kSkyTop.b) * t, 1};
}

void putU16(forms::Bytes& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void putU32(forms::Bytes& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

}  // namespace

forms::Bytes windowIconBytes() {
    constexpr std::uint32_t kPixelBytes = kSide * kSide * 4;
    constexpr std::uint32_t kMaskBytes = kSide * kSide / 8;
    constexpr std::uint32_t kImageBytes = 40 + kPixelBytes + kMaskBytes;

    forms::Bytes ico;
    ico.reserve(6 + 16 + kImageBytes);
    putU16(ico, 0);  // reserved
    putU16(ico, 1);  // type: icon
    putU16(ico, 1);  // one image
    ico.push_back(kSide);  // width
    ico.push_back(kSide);  // height
    ico.push_back(0);      // colour count: none (true colour)
    ico.push_back(0);      // reserved
    putU16(ico, 1);        // planes
    putU16(ico, 32);       // bits per pixel
    putU32(ico, kImageBytes);
    putU32(ico, 6 + 16);   // the image follows the directory

    putU32(ico, 40);         // bitmap header size
    putU32(ico, kSide);      // width
    putU32(ico, kSide * 2);  // height: colour rows and mask rows
    putU16(ico, 1);          // planes
    putU16(ico, 32);         // bits per pixel
    putU32(ico, 0);          // no compression
    putU32(ico, kPixelBytes + kMaskBytes);
    putU32(ico, 0);
    putU32(ico, 0);
    putU32(ico, 0);
    putU32(ico, 0);

    std::array<std::uint8_t, std::size_t{kSide} * kSide> alphas{};
    const auto at = [](int row, int column) { return static_cast<std::size_t>(row) * kSide + static_cast<std::size_t>(column); };
    for (int row = kSide - 1; row >= 0; --row) {  // bottom row first
        for (int column = 0; column < kSide; ++column) {
            double r = 0, g = 0, b = 0, a = 0;
            for (int sy = 0; sy < kSamples; ++sy) {
                for (int sx = 0; sx < kSamples; ++sx) {
                    const Colour c = sample(column + (sx + 0.5) / kSamples, row + (sy + 0.5) / kSamples);
                    r += c.r * c.a;
                    g += c.g * c.a;
                    b += c.b * c.a;
                    a += c.a;
                }
            }
            const double alpha = a / (kSamples * kSamples);
            // Straight (not premultiplied) colour, as icons store it.
            const auto channel = [a](double sum) { return static_cast<std::uint8_t>(a > 0 ? std::lround(sum / a) : 0); };
            ico.push_back(channel(b));
            ico.push_back(channel(g));
            ico.push_back(channel(r));
            const auto opacity = static_cast<std::uint8_t>(std::lround(alpha * 255));
            ico.push_back(opacity);
            alphas[at(row, column)] = opacity;
        }
    }
    // The mask marks fully transparent pixels, for readers that ignore alpha.
    for (int row = kSide - 1; row >= 0; --row) {
        for (int byte = 0; byte < kSide / 8; ++byte) {
            std::uint8_t bits = 0;
            for (int bit = 0; bit < 8; ++bit) {
                if (alphas[at(row, byte * 8 + bit)] == 0) bits |= static_cast<std::uint8_t>(0x80 >> bit);
            }
            ico.push_back(bits);
        }
    }
    return ico;
}

}  // namespace tavrel
