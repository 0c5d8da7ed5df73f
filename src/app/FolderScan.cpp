// Folder scans over POSIX directory listings.
#include "app/FolderScan.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "base/Files.h"
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
  std::vector<std::string> LinkRoots;  // without links
  TScanResult Result;
};

bool MatchesAny(const std::string& name, const std::vector<std::string>& masks) {
  for (const auto& mask : masks) {
    if (MatchesMask(name, mask)) return true;
  }
  return false;
}

// The full path without links of an existing entry; empty when there is none.
std::string RealPath(const std::string& path) {
  char* resolved = ::realpath(path.c_str(), nullptr);
  if (!resolved) return {};
  std::string result = resolved;
  std::free(resolved);
  return result;
}

void Skip(TScanState& state, const std::string& path, const std::string& reason) {
  if (state.Scan.OnSkipped) state.Scan.OnSkipped(path, reason);
}

// A link whose name matches a mask: what it leads to is looked at.
void TakeLink(TScanState& state, const std::string& path, const std::string& name) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    Skip(state, path, "a link that leads nowhere; left alone");
    return;
  }
  if (!S_ISREG(st.st_mode)) {
    Skip(state, path, "a link to something that is not a regular file; left alone");
    return;
  }
  if (!state.Scan.ResolveFileLinks) {
    state.OnFile(path);
    return;
  }
  const std::string target = RealPath(path);
  if (target.empty()) {
    Skip(state, path, "a link that leads nowhere; left alone");
    return;
  }
  const bool inside =
      std::any_of(state.LinkRoots.begin(), state.LinkRoots.end(),
                  [&](const std::string& root) { return IsInsideFolder(target, root); });
  if (!inside) {
    Skip(state, path, "a link to \"" + target + "\", outside the folders named; left alone");
    return;
  }
  if (AsciiUpper(ExtractFileExt(target)) != AsciiUpper(ExtractFileExt(name))) {
    Skip(state, path, "a link to \"" + target + "\", a file of another kind; left alone");
    return;
  }
  if (state.Scan.OnLinkedFile) {
    state.Scan.OnLinkedFile(target);
  } else {
    state.OnFile(target);
  }
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
    unsigned char type = entry->d_type;
    if (type == DT_UNKNOWN) {
      struct stat st {};
      if (::lstat(path.c_str(), &st) != 0) continue;
      type = S_ISDIR(st.st_mode)   ? DT_DIR
             : S_ISLNK(st.st_mode) ? DT_LNK
             : S_ISREG(st.st_mode) ? DT_REG
                                   : DT_FIFO;
    }
    if (type == DT_DIR) {
      if (name[0] != '.') subfolders.push_back(path);
      continue;
    }
    if (type == DT_LNK) {
      // Links to folders are not entered, matching or not.
      struct stat st {};
      if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) continue;
    }
    if (!MatchesAny(name, state.Scan.FileMasks)) continue;
    if (type == DT_REG) {
      state.OnFile(path);
    } else if (type == DT_LNK) {
      TakeLink(state, path, name);
    } else {
      // Reading a pipe would wait for a writer, and a device is no unit.
      Skip(state, path, "not a regular file (a pipe, device or socket); left alone");
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
  if (root.empty()) root = ".";
  TScanState state{*this, onFile, {}, {}};
  if (ResolveFileLinks) {
    for (const std::string& folder : LinkRoots) {
      if (std::string real = RealPath(folder); !real.empty()) state.LinkRoots.push_back(real);
    }
    if (std::string real = RealPath(root); !real.empty()) state.LinkRoots.push_back(real);
  }
  ScanFolder(state, root, 0);
  return state.Result;
}

std::string FileBehindLink(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  std::string target = RealPath(path);
  return target.empty() ? path : target;
}

bool IsInsideFolder(const std::string& path, const std::string& folder) {
  if (folder == "/") return !path.empty() && path[0] == '/';
  return path.size() >= folder.size() && path.compare(0, folder.size(), folder) == 0 &&
         (path.size() == folder.size() || path[folder.size()] == '/');
}

}  // namespace kv
