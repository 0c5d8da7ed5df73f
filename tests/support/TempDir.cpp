#include "support/TempDir.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace kv::test {

namespace fs = std::filesystem;

// A new folder under a name no other test takes: create_directory fails on a name that exists,
// so two tests (or two runs) racing for one name never share it.
TTempDir::TTempDir() {
  static std::atomic<unsigned> Counter{0};
  const auto clock = std::chrono::steady_clock::now().time_since_epoch().count();
  for (unsigned attempt = 0; attempt < 1000; ++attempt) {
    const fs::path candidate =
        fs::temp_directory_path() / ("kvtest-" + std::to_string(clock % 1000000007) + "-" +
                                     std::to_string(Counter.fetch_add(1)));
    std::error_code ec;
    if (fs::create_directory(candidate, ec)) {
      // Forward slashes throughout, so that names joined with "/" read alike on every system.
      Root = candidate.generic_string();
      return;
    }
  }
  throw std::runtime_error("cannot create a scratch folder");
}

TTempDir::~TTempDir() {
  std::error_code ec;
  fs::permissions(Root, fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(Root, ec);
}

std::string TTempDir::Write(const std::string& name, const std::string& bytes) const {
  const std::string path = fs::path(name).has_root_directory() ? name : *this / name;
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
  return path;
}

std::string TTempDir::Read(const std::string& name) const {
  const std::string path = fs::path(name).has_root_directory() ? name : *this / name;
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream buffer;
  buffer << in.rdbuf();
  return buffer.str();
}

bool TTempDir::Exists(const std::string& name) const {
  return fs::exists(fs::path(name).has_root_directory() ? name : *this / name);
}

}  // namespace kv::test
