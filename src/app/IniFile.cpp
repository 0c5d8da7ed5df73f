// Profile files read and written whole.
#include "app/IniFile.h"

#include <filesystem>

#include "base/Errors.h"
#include "base/Files.h"
#include "base/TextLines.h"
#include "platform/Path.h"

namespace kv {

namespace {

std::string Trim(const std::string& s) {
  const std::size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return {};
  const std::size_t e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

bool SameName(const std::string& a, const std::string& b) {
  return AsciiUpper(a) == AsciiUpper(b);
}

bool IsSectionLine(const std::string& line) {
  const std::string t = Trim(line);
  return t.size() >= 2 && t.front() == '[' && t.back() == ']';
}

// The key of a key=value line; empty for other lines.
std::string KeyOf(const std::string& line) {
  if (IsSectionLine(line)) return {};
  const std::string t = Trim(line);
  if (t.empty() || t[0] == ';' || t[0] == '#') return {};
  const std::size_t eq = line.find('=');
  return eq == std::string::npos ? std::string() : Trim(line.substr(0, eq));
}

}  // namespace

TIniFile::TIniFile(std::string path) : Path(std::move(path)) {
  if (FileExists(Path)) Lines = SplitLines(ReadFileBytes(Path));
}

std::size_t TIniFile::FindSection(const std::string& section) const {
  for (std::size_t i = 0; i < Lines.size(); ++i) {
    if (IsSectionLine(Lines[i])) {
      const std::string t = Trim(Lines[i]);
      if (SameName(Trim(t.substr(1, t.size() - 2)), section)) return i;
    }
  }
  return std::string::npos;
}

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& defaultValue) const {
  const std::size_t header = FindSection(section);
  if (header == std::string::npos) return defaultValue;
  for (std::size_t i = header + 1; i < Lines.size() && !IsSectionLine(Lines[i]); ++i) {
    if (SameName(KeyOf(Lines[i]), key)) return Lines[i].substr(Lines[i].find('=') + 1);
  }
  return defaultValue;
}

void TIniFile::WriteString(const std::string& section, const std::string& key,
                           const std::string& value) {
  std::size_t header = FindSection(section);
  if (header == std::string::npos) {
    if (!Lines.empty() && !Trim(Lines.back()).empty()) Lines.emplace_back();
    Lines.push_back("[" + section + "]");
    Lines.push_back(key + "=" + value);
    return;
  }
  std::size_t end = header + 1;
  for (; end < Lines.size() && !IsSectionLine(Lines[end]); ++end) {
    if (SameName(KeyOf(Lines[end]), key)) {
      Lines[end] = KeyOf(Lines[end]) + "=" + value;
      return;
    }
  }
  // A new key goes after the section's last key, before the blank lines that end the section.
  std::size_t at = end;
  while (at > header + 1 && Trim(Lines[at - 1]).empty()) --at;
  Lines.insert(Lines.begin() + static_cast<std::ptrdiff_t>(at), key + "=" + value);
}

void TIniFile::UpdateFile() const {
  try {
    const std::filesystem::path folder = os::ToPath(Path).parent_path();
    if (!folder.empty()) std::filesystem::create_directories(folder);
    // A program killed while it saved left its temporary file beside the settings.
    RemoveStaleTemporaries(FolderOf(Path));
    WriteFileSafely(Path, JoinLinesCrLf(Lines));
  } catch (const std::exception&) {
    throw EFileError("Unable to write to " + Path);
  }
}

}  // namespace kv
