#include "support/TempDir.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace kv::test {

namespace fs = std::filesystem;

TTempDir::TTempDir() {
  std::string pattern = (fs::temp_directory_path() / "kvtest-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a scratch folder");
  Root = pattern;
}

TTempDir::~TTempDir() {
  std::error_code ec;
  fs::permissions(Root, fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(Root, ec);
}

std::string TTempDir::Write(const std::string& name, const std::string& bytes) const {
  const std::string path = name.starts_with("/") ? name : *this / name;
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
  return path;
}

std::string TTempDir::Read(const std::string& name) const {
  const std::string path = name.starts_with("/") ? name : *this / name;
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream buffer;
  buffer << in.rdbuf();
  return buffer.str();
}

bool TTempDir::Exists(const std::string& name) const {
  return fs::exists(name.starts_with("/") ? name : *this / name);
}

}  // namespace kv::test
