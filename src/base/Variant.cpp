// Conversions of variant values.
#include "base/Variant.h"

#include <charconv>
#include <cmath>

#include "base/FloatText.h"

namespace kv {

std::string VarToStr(const TVariant& v) {
  switch (v.index()) {
    case 1:
      return std::to_string(std::get<std::int64_t>(v));
    case 2:
      return FormatFloatGeneral(std::get<double>(v), '.');
    case 3:
      return std::get<bool>(v) ? "True" : "False";
    case 4:
      return std::get<std::string>(v);
    default:
      return {};
  }
}

std::int64_t VarToInt(const TVariant& v) {
  switch (v.index()) {
    case 1:
      return std::get<std::int64_t>(v);
    case 2: {
      const double d = std::get<double>(v);
      return std::isfinite(d) && std::fabs(d) < 9.2e18 ? static_cast<std::int64_t>(d) : 0;
    }
    case 3:
      return std::get<bool>(v) ? -1 : 0;
    case 4: {
      const std::string& s = std::get<std::string>(v);
      std::int64_t value = 0;
      const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value);
      return error == std::errc() && end == s.data() + s.size() ? value : 0;
    }
    default:
      return 0;
  }
}

double VarToFloat(const TVariant& value) {
  if (const auto* d = std::get_if<double>(&value)) return *d;
  if (const auto* text = std::get_if<std::string>(&value)) {
    // from_chars ignores the C locale, so a point is the separator whatever the user's locale.
    double parsed = 0.0;
    const char* end = text->data() + text->size();
    const auto result = std::from_chars(text->data(), end, parsed);
    return result.ec == std::errc() && result.ptr == end ? parsed : 0.0;
  }
  return static_cast<double>(VarToInt(value));
}

std::int32_t VarToInt32(const TVariant& value) {
  return static_cast<std::int32_t>(VarToInt(value));
}

std::uint16_t VarToWord(const TVariant& value) {
  return static_cast<std::uint16_t>(VarToInt(value) & 0xFFFF);
}

}  // namespace kv
