#include "forms/conversions.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace tavrel::forms {
namespace {

// Only this many significant digits take part in a typed number; later ones are ignored.
constexpr std::size_t kSignificantDigits = 25;
// Exponents are clamped here while read: far beyond the double range, far inside an int.
constexpr int kExponentClamp = 100000;

// The two-byte full-width characters the folding knows, by code point, and the ASCII byte each
// becomes. The full-width block maps straight onto ASCII except where the two-byte table puts
// another character at that place: the yen sign stands where the dollar would be, the macron
// where the tilde would be.
char foldedAscii(char32_t c) {
    switch (c) {
        case 0x3000: return ' ';
        case 0xFF5E: return '~';
        case 0x2606:
        case 0x2605: return '*';
        case 0xFFE5: return '$';
        case 0xFFE3: return '~';
        case 0xFF04: return 0;  // full-width dollar sits elsewhere in the table and is kept
        default: break;
    }
    if (c >= 0xFF01 && c <= 0xFF5D) return static_cast<char>(c - 0xFF01 + 0x21);
    return 0;
}

// Length of the UTF-8 sequence a lead byte opens (1 for a stray continuation byte).
std::size_t sequenceLength(unsigned char lead) {
    if (lead >= 0xF0) return 4;
    if (lead >= 0xE0) return 3;
    if (lead >= 0xC0) return 2;
    return 1;
}

char32_t decodeSequence(std::string_view s) {
    const auto byte = [&](std::size_t i) { return static_cast<char32_t>(static_cast<unsigned char>(s[i])); };
    switch (s.size()) {
        case 2: return ((byte(0) & 0x1F) << 6) | (byte(1) & 0x3F);
        case 3: return ((byte(0) & 0x0F) << 12) | ((byte(1) & 0x3F) << 6) | (byte(2) & 0x3F);
        case 4: return ((byte(0) & 0x07) << 18) | ((byte(1) & 0x3F) << 12) | ((byte(2) & 0x3F) << 6) | (byte(3) & 0x3F);
        default: return byte(0);
    }
}

// Full-width digits, signs and spaces become their ASCII forms; every other character is copied.
// A multi-byte sequence cut off by the end of the text is dropped.
std::string foldFullWidth(std::string_view text) {
    std::string folded;
    folded.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            folded.push_back(text[i++]);
            continue;
        }
        const std::size_t length = sequenceLength(lead);
        if (length > text.size() - i) break;
        const std::string_view sequence = text.substr(i, length);
        if (const char ascii = foldedAscii(decodeSequence(sequence)); ascii != 0)
            folded.push_back(ascii);
        else
            folded.append(sequence);
        i += length;
    }
    return folded;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// Parses the leading decimal number of folded text.
double parseNumber(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && isSpace(s[i])) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';

    // The value is `digits` x 10^exponent; digits past the 25th only move the decimal point.
    std::string digits;
    long exponent = 0;
    bool sawDigit = false;
    bool sawPoint = false;
    for (; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '.' && !sawPoint) {
            sawPoint = true;
            continue;
        }
        if (!isDigit(c)) break;
        sawDigit = true;
        if (digits.empty() && c == '0') {
            if (sawPoint) --exponent;  // a leading zero after the point scales, it does not count
            continue;
        }
        if (digits.size() < kSignificantDigits) {
            digits.push_back(c);
            if (sawPoint) --exponent;
        } else if (!sawPoint) {
            ++exponent;
        }
    }
    if (!sawDigit) return 0.0;

    // An exponent marker counts only when digits follow it (with or without a sign).
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
        std::size_t j = i + 1;
        bool negativeExponent = false;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) negativeExponent = s[j++] == '-';
        if (j < s.size() && isDigit(s[j])) {
            long written = 0;
            for (; j < s.size() && isDigit(s[j]); ++j)
                written = std::min<long>(written * 10 + (s[j] - '0'), kExponentClamp);
            exponent += negativeExponent ? -written : written;
        }
    }

    const double zero = negative ? -0.0 : 0.0;
    if (digits.empty()) return zero;
    const std::string scientific = digits + 'e' + std::to_string(exponent);
    double value = 0.0;
    const auto [end, error] = std::from_chars(scientific.data(), scientific.data() + scientific.size(), value);
    if (error == std::errc::result_out_of_range) {
        // Out of range either way: at least 1 means beyond the largest double, else below the smallest.
        const bool overflow = static_cast<long>(digits.size()) + exponent > 0;
        value = overflow ? std::numeric_limits<double>::infinity() : 0.0;
    }
    return negative ? -value : value;
}

}  // namespace

double textToNumber(std::string_view text) { return parseNumber(foldFullWidth(text)); }

std::string numberToText(std::int32_t value) {
    char buffer[16];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, end);
}

}  // namespace tavrel::forms
