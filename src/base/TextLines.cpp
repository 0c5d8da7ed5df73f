// Line splitting and joining of project files.
#include "base/TextLines.h"

#include <cstdint>
#include <cstring>

namespace kv {

thread_local TFileLines FileLines;

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  const std::size_t n = text.size();
  std::size_t i = 0;
  while (i < n) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.emplace_back(text.substr(start, i - start));
      i += (c == '\r' && i + 1 < n && text[i + 1] == '\n') ? 2 : 1;
      start = i;
    } else {
      ++i;
    }
  }
  if (start < n) lines.emplace_back(text.substr(start));
  return lines;
}

std::string JoinLinesCrLf(const std::vector<std::string>& lines) {
  std::size_t size = 0;
  for (const auto& line : lines) size += line.size() + 2;
  std::string text;
  text.reserve(size);
  for (const auto& line : lines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

std::string NormalizeLineBreaks(std::string_view text) {
  std::string out;
  AppendNormalizedLines(out, text);
  return out;
}

std::size_t FindBreak(std::string_view text, std::size_t from) {
  constexpr std::uint64_t ones = 0x0101010101010101ULL;
  constexpr std::uint64_t highs = 0x8080808080808080ULL;
  const std::size_t n = text.size();
  std::size_t i = from;
  for (; i + 8 <= n; i += 8) {
    std::uint64_t x;
    std::memcpy(&x, text.data() + i, 8);
    const std::uint64_t cr = x ^ (0x0D * ones);
    const std::uint64_t lf = x ^ (0x0A * ones);
    // A zero byte in cr or lf marks a break (the classic has-zero-byte test).
    const std::uint64_t hit = ((cr - ones) & ~cr & highs) | ((lf - ones) & ~lf & highs);
    if (hit != 0) return i + static_cast<std::size_t>(__builtin_ctzll(hit) / 8);
  }
  for (; i < n; ++i) {
    if (text[i] == '\r' || text[i] == '\n') return i;
  }
  return n;
}

void AppendNormalizedLines(std::string& out, std::string_view text) {
  out.reserve(out.size() + text.size() + text.size() / 32 + 2);
  const std::size_t n = text.size();
  std::size_t start = 0;
  while (start < n) {
    const std::size_t at = FindBreak(text, start);
    out.append(text.data() + start, at - start);
    out += "\r\n";
    if (at == n) return;
    start = at + ((text[at] == '\r' && at + 1 < n && text[at + 1] == '\n') ? 2 : 1);
  }
}

void AsciiUpperInto(std::string_view text, std::string& out) {
  out.resize(text.size());
  const std::size_t n = text.size();
  std::size_t i = 0;
  // Eight bytes at a time: a byte is a lower-case letter when its low seven bits lie in
  // 0x61..0x7A and its top bit is clear; such bytes lose 0x20.
  constexpr std::uint64_t ones = 0x0101010101010101ULL;
  for (; i + 8 <= n; i += 8) {
    std::uint64_t x;
    std::memcpy(&x, text.data() + i, 8);
    const std::uint64_t heptets = x & (0x7F * ones);
    const std::uint64_t aboveBacktick = heptets + 0x1F * ones;  // top bit: heptet > 0x60
    const std::uint64_t aboveZ = heptets + 0x05 * ones;         // top bit: heptet > 0x7A
    const std::uint64_t lower = aboveBacktick & ~aboveZ & ~x & (0x80 * ones);
    x -= lower >> 2;
    std::memcpy(out.data() + i, &x, 8);
  }
  for (; i < n; ++i) out[i] = AsciiUpper(text[i]);
}

}  // namespace kv
