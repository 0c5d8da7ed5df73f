// Base64 text of byte strings.
#include "base/Base64.h"

namespace kv {

void AppendBase64(std::string& out, std::string_view bytes) {
  static constexpr char Digits[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  out.reserve(out.size() + (bytes.size() + 2) / 3 * 4);
  std::size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    const unsigned n = static_cast<unsigned char>(bytes[i]) << 16 |
                       static_cast<unsigned char>(bytes[i + 1]) << 8 |
                       static_cast<unsigned char>(bytes[i + 2]);
    out += Digits[n >> 18 & 63];
    out += Digits[n >> 12 & 63];
    out += Digits[n >> 6 & 63];
    out += Digits[n & 63];
  }
  if (i < bytes.size()) {
    const bool two = i + 1 < bytes.size();
    const unsigned n = static_cast<unsigned char>(bytes[i]) << 16 |
                       (two ? static_cast<unsigned char>(bytes[i + 1]) << 8 : 0u);
    out += Digits[n >> 18 & 63];
    out += Digits[n >> 12 & 63];
    out += two ? Digits[n >> 6 & 63] : '=';
    out += '=';
  }
}

}  // namespace kv
