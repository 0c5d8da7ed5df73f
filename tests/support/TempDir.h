// A scratch folder for one test, removed with everything in it when the test ends.
#pragma once

#include <string>

namespace kv::test {

class TTempDir {
 public:
  TTempDir();
  ~TTempDir();
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;

  const std::string& Path() const { return Root; }
  // Path of a name inside the folder.
  std::string operator/(const std::string& name) const { return Root + "/" + name; }
  // Writes bytes to a file inside the folder (creating folders on the way) and returns its path.
  std::string Write(const std::string& name, const std::string& bytes) const;
  // Reads a file inside the folder (or any path when name is absolute).
  std::string Read(const std::string& name) const;
  bool Exists(const std::string& name) const;

 private:
  std::string Root;
};

}  // namespace kv::test
