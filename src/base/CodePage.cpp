// System code page, lead-byte tests and conversions to Unicode.
#include "base/CodePage.h"

#include <memory>
#include <string>

#include "base/Errors.h"
#include "platform/CodePages.h"

namespace kv {

namespace {

// Appends the UTF-8 form of one code point.
void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

}  // namespace

bool IsDoubleByteCodePage(int codePage) {
  return codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950;
}

void CheckCodePage(int codePage) {
  if (codePage <= 0 || !os::TCodePageConverter(codePage, false).Valid()) {
    throw EConfigError("Code page " + std::to_string(codePage) + " is not supported");
  }
}

namespace {

std::array<bool, 256> LeadBytesIn(int first, int last, int secondFirst = 1, int secondLast = 0) {
  std::array<bool, 256> table{};
  for (int b = first; b <= last; ++b) table[static_cast<std::size_t>(b)] = true;
  for (int b = secondFirst; b <= secondLast; ++b) table[static_cast<std::size_t>(b)] = true;
  return table;
}

}  // namespace

const std::array<bool, 256>* LeadByteTable(int codePage) {
  static const std::array<bool, 256> ShiftJis = LeadBytesIn(0x81, 0x9F, 0xE0, 0xFC);
  static const std::array<bool, 256> Wide = LeadBytesIn(0x81, 0xFE);
  switch (codePage) {
    case 932:
      return &ShiftJis;
    case 936:
    case 949:
    case 950:
      return &Wide;
    default:
      return nullptr;
  }
}

bool IsLeadByte(int codePage, std::uint8_t byte) {
  const std::array<bool, 256>* table = LeadByteTable(codePage);
  return table != nullptr && (*table)[byte];
}

bool IsTrailByteAt(std::string_view text, std::size_t index, int codePage) {
  if (index >= text.size()) return false;
  // In UTF-8 every byte after the first of a character is a continuation byte 10xxxxxx.
  if (codePage == Utf8CodePage) return (static_cast<std::uint8_t>(text[index]) & 0xC0) == 0x80;
  if (!IsDoubleByteCodePage(codePage)) return false;
  std::size_t i = 0;
  while (i < index) {
    if (IsLeadByte(codePage, static_cast<std::uint8_t>(text[i])) && i + 1 < text.size()) {
      if (i + 1 == index) return true;
      i += 2;
    } else {
      i += 1;
    }
  }
  return false;
}

namespace {

// The converter of a code page and direction, kept by each thread from one conversion to the
// next (opening one costs more than converting a short text); every conversion leaves it in its
// initial state. It is a cache only: a conversion gives the same text whichever thread makes it.
struct TCachedConverter {
  int CodePage = 0;
  std::unique_ptr<os::TCodePageConverter> Conv;
  // True when the code page keeps the bytes 0 to 127 as they are (in this direction), so that an
  // ASCII text converts to itself without going through the converter.
  bool AsciiSame = false;
};

TCachedConverter& CachedConverter(int codePage, bool toCodePage) {
  thread_local TCachedConverter slots[2];
  TCachedConverter& slot = slots[toCodePage ? 1 : 0];
  if (!slot.Conv || slot.CodePage != codePage) {
    slot.Conv.reset();
    slot.Conv = std::make_unique<os::TCodePageConverter>(codePage, toCodePage);
    slot.CodePage = codePage;
    slot.AsciiSame = false;
    if (slot.Conv->Valid()) {
      char ascii[128];
      for (int b = 0; b < 128; ++b) ascii[b] = static_cast<char>(b);
      const std::string_view in(ascii, sizeof ascii);
      std::string converted;
      slot.AsciiSame = slot.Conv->Convert(in, converted) == in.size() && converted == in;
    }
  }
  return slot;
}

bool IsAscii(std::string_view text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// Converts text with the thread's converter. onInvalid is called at a sequence the conversion
// cannot take, with the remaining input; it appends its stand-in to out and returns how many input
// bytes to skip (at least one).
template <typename F>
std::string Convert(std::string_view text, int codePage, bool toCodePage, std::size_t reserve,
                    F onInvalid) {
  TCachedConverter& cached = CachedConverter(codePage, toCodePage);
  if (!cached.Conv->Valid()) {
    throw EConfigError("Code page " + std::to_string(codePage) + " is not supported");
  }
  // Most texts (names, messages) are plain ASCII.
  if (cached.AsciiSame && IsAscii(text)) return std::string(text);
  os::TCodePageConverter& conv = *cached.Conv;
  std::string out;
  out.reserve(reserve);
  std::size_t done = 0;
  while (done < text.size()) {
    done += conv.Convert(text.substr(done), out);
    if (done < text.size()) done += onInvalid(out, text.substr(done));
  }
  return out;
}

}  // namespace

std::string CodePageToUtf8(std::string_view text, int codePage) {
  // An undefined or incomplete byte sequence: U+FFFD for one byte, and go on.
  return Convert(text, codePage, false, text.size() * 2, [](std::string& out, std::string_view) {
    AppendUtf8(out, 0xFFFD);
    return std::size_t{1};
  });
}

std::string Utf8ToCodePage(std::string_view text, int codePage) {
  // A character the code page lacks, or malformed UTF-8: one "?" for the whole sequence.
  return Convert(text, codePage, true, text.size(), [](std::string& out, std::string_view rest) {
    out += '?';
    std::size_t skip = 1;
    while (skip < rest.size() && (static_cast<unsigned char>(rest[skip]) & 0xC0) == 0x80) ++skip;
    return skip;
  });
}

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  std::size_t i = 0;
  const std::size_t n = text.size();
  auto byteAt = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  while (i < n) {
    const unsigned char b = byteAt(i);
    char32_t cp = 0;
    std::size_t len = 0;
    char32_t min = 0;
    if (b < 0x80) {
      cp = b, len = 1;
    } else if ((b & 0xE0) == 0xC0) {
      cp = b & 0x1F, len = 2, min = 0x80;
    } else if ((b & 0xF0) == 0xE0) {
      cp = b & 0x0F, len = 3, min = 0x800;
    } else if ((b & 0xF8) == 0xF0) {
      cp = b & 0x07, len = 4, min = 0x10000;
    } else {
      out += u'\uFFFD';
      ++i;
      continue;
    }
    bool ok = i + len <= n;
    for (std::size_t k = 1; ok && k < len; ++k) {
      const unsigned char c = byteAt(i + k);
      if ((c & 0xC0) != 0x80) ok = false;
      cp = (cp << 6) | (c & 0x3F);
    }
    if (!ok || cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      out += u'\uFFFD';
      ++i;
      continue;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (cp >> 10));
      out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
    i += len;
  }
  return out;
}

}  // namespace kv
