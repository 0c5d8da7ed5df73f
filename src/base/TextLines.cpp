// Line splitting and joining of project files.
#include "base/TextLines.h"

#include <cstdint>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace kv {

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

namespace {

#ifdef __SSE2__
// A bit for each of the 16 bytes at p that is a CR or an LF.
unsigned BreakMask16(const char* p) {
  const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const __m128i breaks = _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('\r')),
                                      _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\n')));
  return static_cast<unsigned>(_mm_movemask_epi8(breaks));
}
#endif

// Eight bytes at a time: a zero byte in x ^ CR or x ^ LF marks a break (the classic has-zero-byte
// test); the lowest set high bit is the first break.
std::uint64_t BreakBits8(const char* p) {
  constexpr std::uint64_t ones = 0x0101010101010101ULL;
  constexpr std::uint64_t highs = 0x8080808080808080ULL;
  std::uint64_t x;
  std::memcpy(&x, p, 8);
  const std::uint64_t cr = x ^ (0x0D * ones);
  const std::uint64_t lf = x ^ (0x0A * ones);
  return ((cr - ones) & ~cr & highs) | ((lf - ones) & ~lf & highs);
}

}  // namespace

std::size_t FindBreak(std::string_view text, std::size_t from) {
  const std::size_t n = text.size();
  std::size_t i = from;
#ifdef __SSE2__
  for (; i + 16 <= n; i += 16) {
    const unsigned mask = BreakMask16(text.data() + i);
    if (mask != 0) return i + static_cast<std::size_t>(__builtin_ctz(mask));
  }
#endif
  for (; i + 8 <= n; i += 8) {
    const std::uint64_t hit = BreakBits8(text.data() + i);
    if (hit != 0) return i + static_cast<std::size_t>(__builtin_ctzll(hit) / 8);
  }
  for (; i < n; ++i) {
    if (text[i] == '\r' || text[i] == '\n') return i;
  }
  return n;
}

std::size_t LineStartBefore(std::string_view text, std::size_t at, std::size_t floor) {
  std::size_t i = at;
#ifdef __SSE2__
  for (; i >= floor + 16; i -= 16) {
    const unsigned mask = BreakMask16(text.data() + i - 16);
    if (mask != 0) return i - 16 + static_cast<std::size_t>(32 - __builtin_clz(mask));
  }
#endif
  for (; i > floor; --i) {
    if (text[i - 1] == '\r' || text[i - 1] == '\n') return i;
  }
  return floor;
}

void AppendNormalizedLines(std::string& out, std::string_view text) {
  const std::size_t n = text.size();
  if (n == 0) return;
  // Each break byte grows by at most one byte (LF and a lone CR become CR LF), and a last line
  // without a break gains two: the room needed is known before writing.
  std::size_t breakBytes = 0;
  std::size_t i = 0;
#ifdef __SSE2__
  for (; i + 16 <= n; i += 16) {
    // The bits of the 16-bit mask counted in a register (no population-count instruction is
    // assumed).
    unsigned x = BreakMask16(text.data() + i);
    x = x - ((x >> 1) & 0x5555u);
    x = (x & 0x3333u) + ((x >> 2) & 0x3333u);
    x = (x + (x >> 4)) & 0x0F0Fu;
    breakBytes += (x + (x >> 8)) & 0x1Fu;
  }
#endif
  for (; i < n; ++i) breakBytes += (text[i] == '\r') | (text[i] == '\n');
  const std::size_t old = out.size();
  out.resize(old + n + breakBytes + 2);
  const char* in = text.data();
  const char* const end = in + n;
  char* o = out.data() + old;
  for (;;) {
    // Copy up to the next break in blocks; a block may copy bytes past the break, which the
    // break's own bytes then overwrite (the room left is never less than the input left).
#ifdef __SSE2__
    while (end - in >= 16) {
      const unsigned mask = BreakMask16(in);
      std::memcpy(o, in, 16);
      if (mask != 0) {
        const unsigned k = static_cast<unsigned>(__builtin_ctz(mask));
        in += k;
        o += k;
        break;
      }
      in += 16;
      o += 16;
    }
#endif
    while (in < end && *in != '\r' && *in != '\n') *o++ = *in++;
    // A line ends here: at a break, or at the end of the text.
    *o++ = '\r';
    *o++ = '\n';
    if (in == end) break;
    in += (*in == '\r' && in + 1 < end && in[1] == '\n') ? 2 : 1;
    if (in == end) break;
  }
  out.resize(static_cast<std::size_t>(o - out.data()));
}

void AsciiUpperInto(std::string_view text, std::string& out) {
  out.resize(text.size());
  const std::size_t n = text.size();
  std::size_t i = 0;
  // Eight bytes at a time.
  for (; i + 8 <= n; i += 8) {
    std::uint64_t x;
    std::memcpy(&x, text.data() + i, 8);
    x = AsciiUpperWord(x);
    std::memcpy(out.data() + i, &x, 8);
  }
  for (; i < n; ++i) out[i] = AsciiUpper(text[i]);
}

}  // namespace kv
