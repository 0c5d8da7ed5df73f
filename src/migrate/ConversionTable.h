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

// Reads a conversion-data file into its lines; raises EFileError when it cannot be read.
std::vector<std::string> ReadConversionData(const std::string& path);
// Writes the lines to a conversion-data file, each followed by CR LF, replacing it safely.
void WriteConversionData(const std::string& path, const std::vector<std::string>& lines);

}  // namespace kv
