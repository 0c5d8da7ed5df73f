// Folder scans over POSIX directory listings.
#include "app/FolderScan.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "base/TextLines.h"

namespace kv {

std::vector<std::string> SplitMaskList(std::string_view maskText) {
  std::vector<std::string> masks;
  std::size_t start = 0;
  for (;;) {
    const std::size_t sep = maskText.find(';', start);
    if (sep == std::string_view::npos) {
      if (start < maskText.size()) masks.emplace_back(maskText.substr(start));
      break;
    }
    masks.emplace_back(maskText.substr(start, sep - start));
    start = sep + 1;
  }
  return masks;
}

std::string JoinMaskList(const std::vector<std::string>& masks) {
  std::string text;
  for (std::size_t i = 0; i < masks.size(); ++i) {
    if (i > 0) text += ';';
    text += masks[i];
  }
  return text;
}

bool MatchesMask(std::string_view name, std::string_view mask) {
  // Greedy matching with one backtracking point, the last "*" seen.
  std::size_t n = 0, m = 0;
  std::size_t starMask = std::string_view::npos, starName = 0;
  while (n < name.size()) {
    if (m < mask.size() && mask[m] == '*') {
      starMask = m++;
      starName = n;
    } else if (m < mask.size() && (mask[m] == '?' || AsciiUpper(mask[m]) == AsciiUpper(name[n]))) {
      ++m;
      ++n;
    } else if (starMask != std::string_view::npos) {
      m = starMask + 1;
      n = ++starName;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == '*') ++m;
  return m == mask.size();
}

namespace {

struct TScanState {
  const TSearchFiles& Scan;
  const std::function<void(const std::string&)>& OnFile;
  TScanResult Result;
};

bool IsFolder(const std::string& path, const dirent* entry, bool& isLink) {
  isLink = entry->d_type == DT_LNK;
  if (entry->d_type == DT_DIR) return true;
  if (entry->d_type != DT_UNKNOWN) return false;
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return false;
  isLink = S_ISLNK(st.st_mode);
  return S_ISDIR(st.st_mode);
}

// Lists one folder; returns false when the scan must end.
bool ScanFolder(TScanState& state, const std::string& folder, int level) {
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) {
    if (errno == ENOENT) return true;
    state.Result = {false, "Cannot list folder \"" + folder + "\". " + std::strerror(errno)};
    return false;
  }
  std::vector<std::string> subfolders;
  for (;;) {
    errno = 0;
    const dirent* entry = ::readdir(dir);
    if (!entry) {
      if (errno != 0) {
        state.Result = {false, "Cannot list folder \"" + folder + "\". " + std::strerror(errno)};
        ::closedir(dir);
        return false;
      }
      break;
    }
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    const std::string path = folder == "/" ? "/" + name : folder + "/" + name;
    bool isLink = false;
    if (IsFolder(path, entry, isLink)) {
      if (name[0] != '.') subfolders.push_back(path);
      continue;
    }
    if (isLink) {
      // A link is reported like a file when it leads to one; links to folders are not entered.
      struct stat st {};
      if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) continue;
    }
    for (const auto& mask : state.Scan.FileMasks) {
      if (MatchesMask(name, mask)) {
        state.OnFile(path);
        break;
      }
    }
  }
  ::closedir(dir);
  const int limit = state.Scan.DepthLimit;
  if (limit > 0 && level + 1 > limit) return true;
  for (const auto& sub : subfolders) {
    if (!ScanFolder(state, sub, level + 1)) return false;
  }
  return true;
}

}  // namespace

TScanResult TSearchFiles::Search(const std::function<void(const std::string&)>& onFile) const {
  std::string root = RootDirectory;
  while (root.size() > 1 && root.back() == '/') root.pop_back();
  TScanState state{*this, onFile, {}};
  ScanFolder(state, root.empty() ? "." : root, 0);
  return state.Result;
}

}  // namespace kv
