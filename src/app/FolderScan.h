// The folder scan of the workbench: walks a folder tree and reports every file whose name matches
// one of a list of masks ("*.pas;*.dfm"), folder by folder, depth first, down to a depth limit.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kv {

// Splits a mask text at ";": empty pieces between two separators are kept, a trailing empty piece
// is dropped ("a;;b;" gives a, "", b; "" gives nothing).
std::vector<std::string> SplitMaskList(std::string_view maskText);
std::string JoinMaskList(const std::vector<std::string>& masks);

// True when name matches mask: "*" stands for any run of characters (also none), "?" for exactly
// one, every other character for itself, comparing ASCII letters without regard to case.
bool MatchesMask(std::string_view name, std::string_view mask);

struct TScanResult {
  bool Complete = true;  // false when a folder listing failed and ended the scan
  std::string Error;     // what failed, when not complete
};

class TSearchFiles {
 public:
  std::string RootDirectory;
  std::vector<std::string> FileMasks;
  // 0: every level; L > 0: the root (level 0) and subfolders down to level L.
  int DepthLimit = 0;

  // Lists each folder once, in the order the file system gives, and reports each matching file
  // at once as folder + "/" + name. Subfolders (except names beginning with ".") are visited after
  // the folder's own listing, in the order found, each completely before the next. Links to
  // folders are not followed, so a link cycle cannot make the scan endless. A folder that cannot
  // be listed (other than one that does not exist) ends the scan; what was reported stays.
  TScanResult Search(const std::function<void(const std::string& path)>& onFile) const;
};

}  // namespace kv
