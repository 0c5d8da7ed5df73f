// The variant value of named properties and dictionary entries: empty, an integer, a floating-
// point number, a boolean or a text.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

namespace kv {

using TVariant = std::variant<std::monostate, std::int64_t, double, bool, std::string>;

inline bool VarIsEmpty(const TVariant& v) {
  return std::holds_alternative<std::monostate>(v);
}

// The text form of a value: empty for empty, decimal for integers, the general floating-point
// form with "." for doubles, "True"/"False" for booleans, the text itself for texts.
std::string VarToStr(const TVariant& v);
// The integer form: integers as they are, doubles truncated, booleans -1/0 (true is -1), texts
// read as decimal (0 when they are not a number), empty 0.
std::int64_t VarToInt(const TVariant& v);
// VarToInt cut to the low 32 bits, and to the low 16 bits.
std::int32_t VarToInt32(const TVariant& v);
std::uint16_t VarToWord(const TVariant& v);
// The floating-point form: doubles as they are, integers and booleans as numbers (true is -1),
// texts read with a point as decimal separator (0 when not a number).
double VarToFloat(const TVariant& v);

}  // namespace kv
