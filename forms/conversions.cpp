#include "forms/conversions.h"

#include <cstdlib>

namespace tavrel::forms {

double textToNumber(std::string_view text) { return std::strtod(std::string(text).c_str(), nullptr); }

std::string numberToText(std::int32_t value) { return std::to_string(value); }

}  // namespace tavrel::forms
