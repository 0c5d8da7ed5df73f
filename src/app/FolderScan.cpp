// Folder scans over the platform's folder listings.
#include "app/FolderScan.h"

#include <algorithm>

#include "base/Files.h"
#include "base/TextLines.h"
#include "platform/Folder.h"
#include "platform/Path.h"

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

void Skip(TScanState& state, const std::string& path, const std::string& reason) {
  if (state.Scan.OnSkipped) state.Scan.OnSkipped(path, reason);
}

// A link whose name matches a mask: what it leads to is looked at.
void TakeLink(TScanState& state, const std::string& path, const std::string& name) {
  const std::optional<os::TEntry> target = os::StatusOf(path, os::TFollow::Yes);
  if (!target) {
    Skip(state, path, "a link that leads nowhere; left alone");
    return;
  }
  if (target->Kind != os::TEntryKind::Regular) {
    Skip(state, path, "a link to something that is not a regular file; left alone");
    return;
  }
  if (!state.Scan.ResolveFileLinks) {
    state.OnFile(path);
    return;
  }
  const std::string file = os::RealPath(path);
  if (file.empty()) {
    Skip(state, path, "a link that leads nowhere; left alone");
    return;
  }
  const bool inside =
      std::any_of(state.LinkRoots.begin(), state.LinkRoots.end(),
                  [&](const std::string& root) { return IsInsideFolder(file, root); });
  if (!inside) {
    Skip(state, path, "a link to \"" + file + "\", outside the folders named; left alone");
    return;
  }
  if (AsciiUpper(ExtractFileExt(file)) != AsciiUpper(ExtractFileExt(name))) {
    Skip(state, path, "a link to \"" + file + "\", a file of another kind; left alone");
    return;
  }
  if (state.Scan.OnLinkedFile) {
    state.Scan.OnLinkedFile(file);
  } else {
    state.OnFile(file);
  }
}

// Lists one folder; returns false when the scan must end.
bool ScanFolder(TScanState& state, const std::string& folder, int level) {
  os::TFolderListing listing;
  os::TError error;
  if (!listing.Open(folder, error)) {
    if (error.Is(os::TErrorKind::NotFound)) return true;
    state.Result = {false, "Cannot list folder \"" + folder + "\". " + error.Text};
    return false;
  }
  // The names are taken in byte order, not in the order the system lists them (which differs
  // between file systems and between Linux and Windows), so a run's order, and with it the order of
  // its journal, lines and backups, is the same wherever the folder lies.
  std::vector<std::pair<std::string, std::optional<os::TEntryKind>>> entries;
  {
    std::string name;
    std::optional<os::TEntryKind> listed;
    for (;;) {
      if (!listing.Next(name, listed, error)) {
        if (error) {
          state.Result = {false, "Cannot list folder \"" + folder + "\". " + error.Text};
          return false;
        }
        break;
      }
      entries.emplace_back(name, listed);
    }
  }
  std::sort(entries.begin(), entries.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<std::string> subfolders;
  for (const auto& [name, listed] : entries) {
    const std::string path = os::Join(folder, name);
    os::TEntryKind kind;
    if (listed) {
      kind = *listed;
    } else {
      const std::optional<os::TEntry> entry = os::StatusOf(path);
      if (!entry) continue;
      kind = entry->Kind;
    }
    if (kind == os::TEntryKind::Folder) {
      if (name[0] != '.') subfolders.push_back(path);
      continue;
    }
    if (kind == os::TEntryKind::Link) {
      // Links to folders are not entered, matching or not.
      const std::optional<os::TEntry> target = os::StatusOf(path, os::TFollow::Yes);
      if (target && target->Kind == os::TEntryKind::Folder) continue;
    }
    if (!MatchesAny(name, state.Scan.FileMasks)) continue;
    if (kind == os::TEntryKind::Regular) {
      state.OnFile(path);
    } else if (kind == os::TEntryKind::Link) {
      TakeLink(state, path, name);
    } else {
      // Reading a pipe would wait for a writer, and a device is no unit.
      Skip(state, path, "not a regular file (a pipe, device or socket); left alone");
    }
  }
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
  while (root.size() > 1 && os::IsSeparator(root.back())) root.pop_back();
  if (root.empty()) root = ".";
  TScanState state{*this, onFile, {}, {}};
  if (ResolveFileLinks) {
    for (const std::string& folder : LinkRoots) {
      if (std::string real = os::RealPath(folder); !real.empty()) {
        state.LinkRoots.push_back(real);
      }
    }
    if (std::string real = os::RealPath(root); !real.empty()) state.LinkRoots.push_back(real);
  }
  ScanFolder(state, root, 0);
  return state.Result;
}

std::string FileBehindLink(const std::string& path) {
  const std::optional<os::TEntry> entry = os::StatusOf(path);
  if (!entry || entry->Kind != os::TEntryKind::Link) return path;
  std::string target = os::RealPath(path);
  return target.empty() ? path : target;
}

bool IsInsideFolder(const std::string& path, const std::string& folder) {
  if (folder.empty()) return path.empty() || os::IsSeparator(path[0]);
  if (path.size() < folder.size() || path.compare(0, folder.size(), folder) != 0) return false;
  // The folder itself, a path below it, or anything below a root ("/", "C:\"), which ends in a
  // separator itself.
  return path.size() == folder.size() || os::IsSeparator(folder.back()) ||
         os::IsSeparator(path[folder.size()]);
}

}  // namespace kv
