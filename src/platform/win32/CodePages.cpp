// Code pages on Windows: MultiByteToWideChar and WideCharToMultiByte, made to give what iconv
// gives on Linux byte for byte, so that a text converts alike on both systems.
//
// Each character is converted once through the system and the result kept in tables of the code
// page (a cache shared by all threads: an entry, once filled, never changes). Converting
// character by character lets the conversion stop exactly at the first sequence the other side
// cannot take, which the system's calls (all or nothing with MB_ERR_INVALID_CHARS, a default
// character with WideCharToMultiByte) do not tell. The system's tables and iconv's differ in
// places; the rules below (CodePageRules) put iconv's answer first wherever they differ:
// - bytes that iconv leaves undefined and Windows maps to a control character (U+0080 to U+009F)
//   or a private-use one (U+E000 to U+F8FF), and the reverse of those: ranges of characters
//   that the code page does not convert (in 932 iconv keeps the private-use characters, in 950
//   the block U+F6B1 to U+F848, and the EBCDIC code pages the controls);
// - single characters that iconv takes one way only, or that Windows converts to other bytes;
// - 858, which Windows versions before XP and Wine lack: code page 850 with the euro sign in place
//   of the dotless i;
// - 1255 and 1258, where iconv composes a letter and the combining marks after it into one
//   character where Unicode has one (and converts such a character back as the letter and its
//   marks): the compositions are listed here and applied as iconv applies them.
// The rules were found by dumping every byte, every pair of bytes and every character of the
// Basic Multilingual Plane on both systems (tools/CodePageDump.cpp, `make test-windows`).
#include "platform/CodePages.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <span>
#include <utility>
#include <vector>

#include "platform/win32/Win32.h"

namespace kv::os {

namespace {

constexpr int Utf8CodePage = 65001;
// Character codes that stand for "not defined" and for "taken without giving anything" (949's
// A2E8 in iconv) in the rules.
constexpr char32_t NoCharacter = 0xFFFFFFFF;
constexpr char32_t Nothing = 0xFFFFFFFE;

// A byte (0xXX) or a double-byte character (0xLLTT) converted to Unicode in iconv's way.
struct TToUnicode {
  std::uint16_t Bytes;
  char32_t Character;  // NoCharacter: iconv does not convert it
};

// A character converted to the code page in iconv's way.
struct TFromUnicode {
  char16_t Character;
  std::uint8_t Count;  // 0: iconv does not convert it
  std::uint8_t Bytes[3];
};

// A character followed by a combining mark that iconv composes into one.
struct TComposition {
  char16_t First;
  char16_t Mark;
  char16_t Composed;
};

// Characters from First to Last, both included.
struct TRange {
  char32_t First;
  char32_t Last;
};

struct TCodePageRules {
  int CodePage;
  UINT System;  // the code page the system converts with
  std::span<const TRange> NotConverted;
  std::span<const TToUnicode> ToUnicode;
  std::span<const TFromUnicode> FromUnicode;
  std::span<const TComposition> Compositions;
  // True when a composed character may take a further mark (1255), false when it is complete
  // (1258: "O" with an acute then a tilde stays two characters, though "Ó" and a tilde compose).
  bool ComposesAgain = false;
};

#include "platform/win32/CodePageRules.inc"

const TCodePageRules* RulesOf(int codePage) {
  for (const TCodePageRules& rules : CodePageRules) {
    if (rules.CodePage == codePage) return &rules;
  }
  return nullptr;
}

// What a byte or a byte pair converts to: unknown until asked, then a character, a lead byte
// (for a single byte of a double-byte code page), or nothing.
constexpr std::uint32_t Known = 0x80000000u;
constexpr std::uint32_t Lead = Known | 0x40000000u;
constexpr std::uint32_t Undefined = Known | 0x20000000u;
constexpr std::uint32_t Empty = Known | 0x10000000u;

// What a character converts back to: unknown until asked, then its bytes (count in bits 32 to
// 34, none: it has no bytes in the code page).
constexpr std::uint64_t KnownBack = 1ull << 63;

// The tables of one code page, filled as characters are met.
struct TTables {
  const TCodePageRules* Rules = nullptr;
  bool DoubleByte = false;
  std::array<std::atomic<std::uint32_t>, 256> Single{};
  std::unique_ptr<std::atomic<std::uint32_t>[]> Pairs;  // lead << 8 | trail
  std::unique_ptr<std::atomic<std::uint64_t>[]> Back;   // by character

  explicit TTables(const TCodePageRules* rules)
      : Rules(rules),
        DoubleByte(IsDoubleByte(rules->System)),
        Back(std::make_unique<std::atomic<std::uint64_t>[]>(0x10000)) {
    if (DoubleByte) Pairs = std::make_unique<std::atomic<std::uint32_t>[]>(0x10000);
  }

  static bool IsDoubleByte(UINT codePage) {
    CPINFO info;
    return GetCPInfo(codePage, &info) && info.MaxCharSize == 2;
  }

  bool NotConverted(char32_t character) const {
    for (const TRange& range : Rules->NotConverted) {
      if (character >= range.First && character <= range.Last) return true;
    }
    return false;
  }

  // The rule for bytes, if there is one.
  const TToUnicode* ToUnicodeRule(std::uint16_t bytes) const {
    const auto& list = Rules->ToUnicode;
    const auto found =
        std::lower_bound(list.begin(), list.end(), bytes,
                         [](const TToUnicode& r, std::uint16_t b) { return r.Bytes < b; });
    return found != list.end() && found->Bytes == bytes ? &*found : nullptr;
  }

  std::uint32_t ConvertBytes(const char* bytes, int size) const {
    const std::uint16_t key =
        size == 1 ? static_cast<unsigned char>(bytes[0])
                  : static_cast<std::uint16_t>((static_cast<unsigned char>(bytes[0]) << 8) |
                                               static_cast<unsigned char>(bytes[1]));
    if (const TToUnicode* rule = ToUnicodeRule(key)) {
      if (rule->Character == NoCharacter) return Undefined;
      if (rule->Character == Nothing) return Empty;
      return Known | rule->Character;
    }
    wchar_t wide[4];
    const int count =
        MultiByteToWideChar(Rules->System, MB_ERR_INVALID_CHARS, bytes, size, wide, 4);
    if (count == 1 && !(wide[0] >= 0xD800 && wide[0] <= 0xDFFF)) {
      const char16_t character = static_cast<char16_t>(wide[0]);
      return NotConverted(character) ? Undefined : (Known | character);
    }
    if (size == 1 && DoubleByte && IsDBCSLeadByteEx(Rules->System, static_cast<BYTE>(bytes[0]))) {
      return Lead;
    }
    return Undefined;
  }

  std::uint32_t SingleByte(unsigned char byte) {
    std::uint32_t entry = Single[byte].load(std::memory_order_relaxed);
    if (entry == 0) {
      const char in = static_cast<char>(byte);
      entry = ConvertBytes(&in, 1);
      Single[byte].store(entry, std::memory_order_relaxed);
    }
    return entry;
  }

  std::uint32_t Pair(unsigned char lead, unsigned char trail) {
    std::atomic<std::uint32_t>& slot = Pairs[(lead << 8) | trail];
    std::uint32_t entry = slot.load(std::memory_order_relaxed);
    if (entry == 0) {
      const char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
      entry = ConvertBytes(in, 2);
      slot.store(entry, std::memory_order_relaxed);
    }
    return entry;
  }

  std::uint64_t ConvertBack(char16_t character) const {
    const auto& list = Rules->FromUnicode;
    const auto found =
        std::lower_bound(list.begin(), list.end(), character,
                         [](const TFromUnicode& r, char16_t c) { return r.Character < c; });
    if (found != list.end() && found->Character == character) {
      std::uint64_t entry = KnownBack | (static_cast<std::uint64_t>(found->Count) << 32);
      for (int i = 0; i < found->Count; ++i) {
        entry |= static_cast<std::uint64_t>(found->Bytes[i]) << (8 * i);
      }
      return entry;
    }
    if (NotConverted(character)) return KnownBack;
    const wchar_t wide = static_cast<wchar_t>(character);
    char bytes[8];
    BOOL usedDefault = FALSE;
    const int count = WideCharToMultiByte(Rules->System, WC_NO_BEST_FIT_CHARS, &wide, 1, bytes,
                                          sizeof bytes, nullptr, &usedDefault);
    if (count <= 0 || count > 4 || usedDefault) return KnownBack;
    std::uint64_t entry = KnownBack | (static_cast<std::uint64_t>(count) << 32);
    for (int i = 0; i < count; ++i) {
      entry |= static_cast<std::uint64_t>(static_cast<unsigned char>(bytes[i])) << (8 * i);
    }
    return entry;
  }

  std::uint64_t BackOf(char16_t character) {
    std::atomic<std::uint64_t>& slot = Back[character];
    std::uint64_t entry = slot.load(std::memory_order_relaxed);
    if (entry == 0) {
      entry = ConvertBack(character);
      slot.store(entry, std::memory_order_relaxed);
    }
    return entry;
  }

  // The character that first and mark compose into, 0 when they stay two (sorted by both).
  char16_t Compose(char16_t first, char16_t mark) const {
    const auto& list = Rules->Compositions;
    const auto found = std::lower_bound(
        list.begin(), list.end(), std::pair(first, mark),
        [](const TComposition& c, auto key) { return std::pair(c.First, c.Mark) < key; });
    return found != list.end() && found->First == first && found->Mark == mark ? found->Composed
                                                                               : 0;
  }
};

// The tables of every code page met so far; made once per code page and kept for the process.
TTables* TablesOf(const TCodePageRules* rules) {
  static std::mutex Lock;
  static std::vector<std::unique_ptr<TTables>> All;
  std::lock_guard<std::mutex> hold(Lock);
  for (const auto& tables : All) {
    if (tables->Rules == rules) return tables.get();
  }
  All.push_back(std::make_unique<TTables>(rules));
  return All.back().get();
}

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

// The character that starts at in[i] in well-formed UTF-8 as iconv reads it (no overlong forms,
// no surrogates, nothing above U+10FFFF), and its length; length 0 when it is malformed or cut
// off at the end.
char32_t DecodeUtf8(std::string_view in, std::size_t i, std::size_t& length) {
  const auto byteAt = [&](std::size_t k) { return static_cast<unsigned char>(in[k]); };
  const unsigned char b = byteAt(i);
  length = 0;
  if (b < 0x80) {
    length = 1;
    return b;
  }
  char32_t cp = 0;
  std::size_t size = 0;
  char32_t least = 0;
  if (b >= 0xC2 && b <= 0xDF) {
    cp = b & 0x1F, size = 2, least = 0x80;
  } else if ((b & 0xF0) == 0xE0) {
    cp = b & 0x0F, size = 3, least = 0x800;
  } else if (b >= 0xF0 && b <= 0xF4) {
    cp = b & 0x07, size = 4, least = 0x10000;
  } else {
    return 0;
  }
  if (i + size > in.size()) return 0;
  for (std::size_t k = 1; k < size; ++k) {
    const unsigned char c = byteAt(i + k);
    if ((c & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (c & 0x3F);
  }
  if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  length = size;
  return cp;
}

}  // namespace

struct TCodePageConverter::TState {
  int CodePage = 0;
  bool ToCodePage = false;
  TTables* Tables = nullptr;  // nullptr for UTF-8

  std::size_t ToUtf8(std::string_view in, std::string& out);
  std::size_t FromUtf8(std::string_view in, std::string& out);
};

TCodePageConverter::TCodePageConverter(int codePage, bool toCodePage)
    : State(std::make_unique<TState>()) {
  State->CodePage = codePage;
  State->ToCodePage = toCodePage;
  if (codePage == Utf8CodePage) return;
  const TCodePageRules* rules = RulesOf(codePage);
  if (rules != nullptr && IsValidCodePage(rules->System)) State->Tables = TablesOf(rules);
}

TCodePageConverter::~TCodePageConverter() = default;

bool TCodePageConverter::Valid() const {
  return State->CodePage == Utf8CodePage || State->Tables != nullptr;
}

std::size_t TCodePageConverter::Convert(std::string_view in, std::string& out) {
  if (!Valid()) return 0;
  return State->ToCodePage ? State->FromUtf8(in, out) : State->ToUtf8(in, out);
}

std::size_t TCodePageConverter::TState::ToUtf8(std::string_view in, std::string& out) {
  if (Tables == nullptr) {
    // UTF-8 to UTF-8: well-formed characters as they are.
    std::size_t i = 0;
    std::size_t length = 0;
    while (i < in.size() && (DecodeUtf8(in, i, length), length != 0)) i += length;
    out.append(in.data(), i);
    return i;
  }
  // A character may wait for the marks that compose with it (1255, 1258).
  const bool composes = !Tables->Rules->Compositions.empty();
  char32_t waiting = 0;
  bool isWaiting = false;
  std::size_t i = 0;
  while (i < in.size()) {
    const auto byte = static_cast<unsigned char>(in[i]);
    std::uint32_t entry = Tables->SingleByte(byte);
    std::size_t size = 1;
    if (entry == Lead) {
      if (i + 1 >= in.size()) break;
      entry = Tables->Pair(byte, static_cast<unsigned char>(in[i + 1]));
      size = 2;
    }
    if (entry == Undefined || entry == Lead) break;
    if (entry == Empty) {
      i += size;
      continue;
    }
    const char32_t character = entry & 0x1FFFFF;
    if (composes) {
      if (isWaiting) {
        if (const char16_t composed =
                Tables->Compose(static_cast<char16_t>(waiting), static_cast<char16_t>(character))) {
          i += size;
          if (Tables->Rules->ComposesAgain) {
            waiting = composed;
          } else {
            AppendUtf8(out, composed);
            isWaiting = false;
          }
          continue;
        }
        AppendUtf8(out, waiting);
      }
      waiting = character;
      isWaiting = true;
    } else {
      AppendUtf8(out, character);
    }
    i += size;
  }
  if (isWaiting) AppendUtf8(out, waiting);
  return i;
}

std::size_t TCodePageConverter::TState::FromUtf8(std::string_view in, std::string& out) {
  std::size_t i = 0;
  while (i < in.size()) {
    std::size_t length = 0;
    const char32_t character = DecodeUtf8(in, i, length);
    if (length == 0) break;
    if (Tables == nullptr) {
      out.append(in.data() + i, length);
    } else {
      if (character >= 0x10000) break;
      const std::uint64_t entry = Tables->BackOf(static_cast<char16_t>(character));
      const int count = static_cast<int>((entry >> 32) & 7);
      if (count == 0) break;
      for (int k = 0; k < count; ++k) out += static_cast<char>((entry >> (8 * k)) & 0xFF);
    }
    i += length;
  }
  return i;
}

}  // namespace kv::os
