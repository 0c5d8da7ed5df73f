// Reading and writing the conversion-data file and deriving its pairs.
#include "migrate/ConversionTable.h"

#include <algorithm>
#include <cstdio>

#include "base/Errors.h"
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

std::vector<TIgnoredLine> IgnoredLines(const std::vector<std::string>& lines) {
  std::vector<TIgnoredLine> ignored;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    const std::size_t eq = line.find('=');
    if (line.empty()) {
      ignored.push_back({i + 1, "the line is empty"});
    } else if (eq == std::string::npos) {
      ignored.push_back({i + 1, "it has no \"=\""});
    } else if (eq == 0) {
      ignored.push_back({i + 1, "its find text is empty"});
    }
  }
  return ignored;
}

void CheckConversionData(const std::string& path, std::string_view bytes) {
  const auto refuse = [&](const std::string& why) {
    throw EConfigError("The conversion table \"" + path + "\" cannot be used: " + why);
  };
  if (bytes.find_first_not_of(" \t\r\n") == std::string_view::npos) refuse("it is empty");
  std::size_t line = 1;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (b == '\n' || (b == '\r' && (i + 1 == bytes.size() || bytes[i + 1] != '\n'))) ++line;
    if (b >= 0x20 && b != 0x7F) continue;
    if (b == '\t' || b == '\r' || b == '\n' || b == static_cast<unsigned char>(EqualsStandIn))
      continue;
    char hex[8];
    std::snprintf(hex, sizeof hex, "0x%02X", b);
    refuse(std::string(b == 0 ? "it holds a NUL byte" : "it holds the control byte ") +
           (b == 0 ? "" : hex) + " in line " + std::to_string(line) + ", so it is not a text file");
  }
}

std::vector<std::string> ReadConversionData(const std::string& path) {
  const std::string bytes = ReadFileBytes(path);
  CheckConversionData(path, bytes);
  return SplitLines(bytes);
}

void WriteConversionData(const std::string& path, const std::vector<std::string>& lines) {
  // A program killed while it saved left its temporary file beside the table.
  RemoveStaleTemporaries(FolderOf(path));
  WriteFileSafely(path, JoinLinesCrLf(lines));
}

}  // namespace kv
