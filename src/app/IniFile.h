// Profile (.ini) files: sections of key=value lines. A file is read whole, changed in memory and
// written back whole; sections, keys, comments and blank lines it already held are kept in their
// order, and new keys are added in the order they are written.
#pragma once

#include <string>
#include <vector>

namespace kv {

class TIniFile {
 public:
  // Reads the file when it exists; raises EFileError when it exists but cannot be read.
  explicit TIniFile(std::string path);

  const std::string& FileName() const { return Path; }
  // Section and key names compare without regard to the case of ASCII letters.
  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& defaultValue) const;
  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  // Writes the file (creating its folder when needed); raises EFileError "Unable to write to
  // <path>" on failure, leaving the old file as it was.
  void UpdateFile() const;

 private:
  // Index of the section's header line, or npos.
  std::size_t FindSection(const std::string& section) const;
  std::string Path;
  std::vector<std::string> Lines;
};

}  // namespace kv
