// Reading and writing the conversion-data file and deriving its pairs.
#include "migrate/ConversionTable.h"

#include <algorithm>

#include "base/Files.h"
#include "base/TextLines.h"

namespace kv {

namespace {

std::string RestoreEquals(std::string_view text) {
  std::string out(text);
  std::replace(out.begin(), out.end(), EqualsStandIn, '=');
  return out;
}

}  // namespace

TPair PairFromLine(std::string_view line) {
  const std::size_t eq = line.find('=');
  if (eq == std::string_view::npos) return {std::string(), RestoreEquals(line)};
  return {RestoreEquals(line.substr(0, eq)), RestoreEquals(line.substr(eq + 1))};
}

std::vector<TPair> PairsFromLines(const std::vector<std::string>& lines) {
  std::vector<TPair> pairs;
  pairs.reserve(lines.size());
  for (const auto& line : lines) pairs.push_back(PairFromLine(line));
  return pairs;
}

std::vector<std::string> ReadConversionData(const std::string& path) {
  return SplitLines(ReadFileBytes(path));
}

void WriteConversionData(const std::string& path, const std::vector<std::string>& lines) {
  WriteFileSafely(path, JoinLinesCrLf(lines));
}

}  // namespace kv
