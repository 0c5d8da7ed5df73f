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
  // A link to a file is reported as the file it leads to (for files that are rewritten in place,
  // since a link is never replaced), when that file lies inside the root or one of LinkRoots and
  // has the link's extension; any other link to a file is skipped. Otherwise a link to a file is
  // reported under its own name.
  bool ResolveFileLinks = false;
  std::vector<std::string> LinkRoots;
  // Told of each entry whose name matches a mask but that is left out, with why (a link that
  // leads nowhere or, with ResolveFileLinks, outside the folders; a pipe, device or socket).
  std::function<void(const std::string& path, const std::string& reason)> OnSkipped;
  // With ResolveFileLinks: told of each file reached through a link (the file's path without
  // links), in place of the scan's onFile, when set.
  std::function<void(const std::string& file)> OnLinkedFile;

  // Lists each folder once, in the order the file system gives, and reports each matching regular
  // file at once as its name joined to the folder with the system's separator. Subfolders (except
  // names beginning with ".") are visited after the folder's own listing, in the order found, each
  // completely before the next. Links to folders are not followed, so a link cycle cannot make the
  // scan endless. A folder that cannot be listed (other than one that does not exist) ends the
  // scan; what was reported stays.
  TScanResult Search(const std::function<void(const std::string& path)>& onFile) const;
};

// The file a path names, as a source run takes it: a link (named itself, not found by a scan) is
// followed to the file it leads to, given by its full path without links; any other path stays as
// it is. A link that leads nowhere stays as it is too, and the run refuses it.
std::string FileBehindLink(const std::string& path);
// True when path (without links) is folder or lies inside it.
bool IsInsideFolder(const std::string& path, const std::string& folder);

}  // namespace kv
