// JSON string literals and the UTF-8 check they rest on.
#include "base/JsonText.h"

#include <cstdio>

#include "base/CodePage.h"

namespace kv {

std::size_t Utf8SequenceLength(std::string_view text, std::size_t i) {
  const auto b = static_cast<unsigned char>(text[i]);
  std::size_t len = 0;
  unsigned min = 0;
  unsigned cp = 0;
  if (b >= 0xC2 && b <= 0xDF)
    len = 2, cp = b & 0x1F, min = 0x80;
  else if (b >= 0xE0 && b <= 0xEF)
    len = 3, cp = b & 0x0F, min = 0x800;
  else if (b >= 0xF0 && b <= 0xF4)
    len = 4, cp = b & 0x07, min = 0x10000;
  else
    return 0;
  if (i + len > text.size()) return 0;
  for (std::size_t k = 1; k < len; ++k) {
    const auto c = static_cast<unsigned char>(text[i + k]);
    if ((c & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (c & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return len;
}

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  char hex[8];
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c < 0x20 || c == 0x7F) {
      std::snprintf(hex, sizeof hex, "\\u%04X", c);
      out += hex;
    } else if (c >= 0x80) {
      const std::size_t len = Utf8SequenceLength(text, i);
      if (len > 0) {
        out.append(text, i, len);
        i += len;
        continue;
      }
      std::snprintf(hex, sizeof hex, "\\uDC%02X", c);
      out += hex;
    } else {
      out += static_cast<char>(c);
    }
    ++i;
  }
  out += '"';
  return out;
}

std::string JsonCodePageTexts(const std::vector<std::string>& texts, int codePage) {
  std::string out = "[";
  for (std::size_t i = 0; i < texts.size(); ++i) {
    out += (i ? ", " : "") + JsonString(CodePageToUtf8(texts[i], codePage));
  }
  return out + "]";
}

}  // namespace kv
