// The conversion data: the ordered table of find/replace pairs, kept as text lines of the form
// find=replace. An "=" that belongs to the find or the replacement text is stored as byte 0x02,
// so the first "=" of a line always separates the two parts. On disk the lines end with CR LF.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kv {

// The byte that stands for "=" inside a find or replacement text.
constexpr char EqualsStandIn = '\x02';

struct TPair {
  std::string Find;     // with every byte 0x02 turned back into "="
  std::string Replace;  // likewise
};

// The pair of one table line: the find text is the text before the first "=" (empty when there is
// none), the replacement the text after it (the whole line when there is none).
TPair PairFromLine(std::string_view line);
std::vector<TPair> PairsFromLines(const std::vector<std::string>& lines);

// A table line that gives no pair able to change anything: its number (from 1) and why.
struct TIgnoredLine {
  std::size_t Number;
  std::string Reason;  // "the line is empty", "it has no \"=\"", "its find text is empty"
};
std::vector<TIgnoredLine> IgnoredLines(const std::vector<std::string>& lines);

// Checks that bytes can be a conversion table: not empty (nothing but blanks and line breaks)
// and text, that is free of NUL and other control bytes (tab, the line breaks and the stand-in
// byte 0x02 excepted). Raises EConfigError naming path otherwise.
void CheckConversionData(const std::string& path, std::string_view bytes);

// Reads a conversion-data file into its lines; raises EFileError when it cannot be read and
// EConfigError when it is no table (see CheckConversionData).
std::vector<std::string> ReadConversionData(const std::string& path);
// Writes the lines to a conversion-data file, each followed by CR LF, replacing it safely.
void WriteConversionData(const std::string& path, const std::vector<std::string>& lines);

}  // namespace kv
