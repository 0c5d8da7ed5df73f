// Dumps how each code page converts, so that the Linux build (iconv) and the Windows build (the
// Windows API behind kv::os::TCodePageConverter) can be compared line by line:
//   kv_codepage_dump OUT [CODEPAGE...]
//   kv_codepage_dump --list OUT        the code pages this side converts
// For each code page: every byte, every pair that does not convert as its two bytes do alone
// (the characters of double-byte code pages, and a base letter with a combining mark that the
// conversion composes), every triple that combines further, every code point of the Basic
// Multilingual Plane and a set of malformed UTF-8 sequences converted back; each with what came
// out (hexadecimal) and how many input bytes were taken, as the program's converter
// (kv::os::TCodePageConverter) gives them on the system the tool is built for.
#include <cstdio>
#include <fstream>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/CodePages.h"

namespace {

// One direction of one code page.
class TConverter {
 public:
  TConverter(int codePage, bool toCodePage) : Converter(codePage, toCodePage) {}
  bool Valid() const { return Converter.Valid(); }
  std::size_t Convert(std::string_view in, std::string& out) { return Converter.Convert(in, out); }

 private:
  kv::os::TCodePageConverter Converter;
};

std::string Hex(std::string_view bytes) {
  static const char Digits[] = "0123456789ABCDEF";
  std::string text;
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    text += Digits[b >> 4];
    text += Digits[b & 15];
  }
  return text;
}

std::string Utf8Of(char32_t cp) {
  std::string out;
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
  return out;
}

struct TResult {
  std::string Out;
  std::size_t Taken = 0;
  bool operator==(const TResult&) const = default;
};

TResult Run(TConverter& converter, std::string_view in) {
  TResult result;
  result.Taken = converter.Convert(in, result.Out);
  return result;
}

std::string Line(char kind, std::string_view in, const TResult& result) {
  return std::string(1, kind) + " " + Hex(in) + " " + Hex(result.Out) + " " +
         std::to_string(result.Taken) + "\n";
}

// What a sequence gives when it converts as its parts do one after the other.
TResult Joined(const TResult& first, std::size_t firstSize, const TResult& rest) {
  if (first.Taken < firstSize) return first;
  return TResult{first.Out + rest.Out, first.Taken + rest.Taken};
}

void Dump(int codePage, std::ostream& out) {
  TConverter toUtf8(codePage, false);
  TConverter fromUtf8(codePage, true);
  out << "cp " << codePage << " " << (toUtf8.Valid() && fromUtf8.Valid() ? "valid" : "invalid")
      << "\n";
  if (!toUtf8.Valid() || !fromUtf8.Valid()) return;
  TResult single[256];
  for (int b = 0; b < 256; ++b) {
    const std::string in(1, static_cast<char>(b));
    single[b] = Run(toUtf8, in);
    out << Line('b', in, single[b]);
  }
  std::set<int> combining;
  for (int first = 0x80; first < 256; ++first) {
    for (int second = 0; second < 256; ++second) {
      const std::string in{static_cast<char>(first), static_cast<char>(second)};
      const TResult pair = Run(toUtf8, in);
      if (pair == Joined(single[first], 1, single[second])) continue;
      out << Line('d', in, pair);
      // A pair of two characters that became one: the second combined with the first.
      if (single[first].Taken == 1 && single[second].Taken == 1) combining.insert(second);
    }
  }
  // Also ASCII letters with a combining mark, and a mark composed twice.
  for (int first = 0x41; first < 0x80; ++first) {
    for (const int second : combining) {
      const std::string in{static_cast<char>(first), static_cast<char>(second)};
      const TResult pair = Run(toUtf8, in);
      if (pair != Joined(single[first], 1, single[second])) out << Line('d', in, pair);
    }
  }
  for (int first = 0x41; first < 256; ++first) {
    for (const int second : combining) {
      const std::string head{static_cast<char>(first), static_cast<char>(second)};
      const TResult pair = Run(toUtf8, head);
      for (const int third : combining) {
        const std::string in = head + static_cast<char>(third);
        const TResult triple = Run(toUtf8, in);
        if (triple != Joined(pair, 2, single[third])) out << Line('t', in, triple);
      }
    }
  }
  for (char32_t cp = 0; cp < 0x10000; ++cp) {
    const std::string in = Utf8Of(cp);
    out << Line('u', in, Run(fromUtf8, in));
  }
  static const char* const Malformed[] = {"\x80",
                                          "\xBF",
                                          "\xC0\x80",
                                          "\xC1\xBF",
                                          "\xC2",
                                          "\xC2\x41",
                                          "\xE0\x80\x80",
                                          "\xE0\x9F\xBF",
                                          "\xE1\x80",
                                          "\xED\xA0\x80",
                                          "\xED\xBF\xBF",
                                          "\xEF\xBF",
                                          "\xF0\x8F\xBF\xBF",
                                          "\xF0\x9F\x98\x80",
                                          "\xF4\x8F\xBF\xBF",
                                          "\xF4\x90\x80\x80",
                                          "\xF5\x80\x80\x80",
                                          "\xF8\x88\x80\x80\x80",
                                          "\xFE",
                                          "\xFF",
                                          "A\xC3\xA9\x80"
                                          "B",
                                          "AB\xE2\x82",
                                          "\xC3\xA9\xC3"};
  for (const char* sequence : Malformed) {
    out << Line('m', sequence, Run(fromUtf8, sequence));
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  const bool list = !args.empty() && args[0] == "--list";
  if (list) args.erase(args.begin());
  if (args.empty()) {
    std::fprintf(stderr, "usage: kv_codepage_dump [--list] OUT [CODEPAGE...]\n");
    return 2;
  }
  std::ofstream out(args[0], std::ios::binary | std::ios::trunc);
  if (!out) {
    std::fprintf(stderr, "kv_codepage_dump: cannot write %s\n", args[0].c_str());
    return 1;
  }
  if (list) {
    for (int codePage = 1; codePage < 70000; ++codePage) {
      if (TConverter(codePage, false).Valid() && TConverter(codePage, true).Valid()) {
        out << codePage << "\n";
      }
    }
  } else {
    for (std::size_t i = 1; i < args.size(); ++i) Dump(std::stoi(args[i]), out);
  }
  out.close();
  if (!out) {
    std::fprintf(stderr, "kv_codepage_dump: cannot write %s\n", args[0].c_str());
    return 1;
  }
  return 0;
}
