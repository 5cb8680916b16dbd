#pragma once
// Text <-> number conversions of the form layer.

#include <cstdint>
#include <string>
#include <string_view>

namespace tavrel::forms {

// Folds full-width characters, then parses a leading decimal number; 0 when there is none.
double textToNumber(std::string_view text);
// Decimal digits with a leading "-" when negative.
std::string numberToText(std::int32_t value);

}  // namespace tavrel::forms
