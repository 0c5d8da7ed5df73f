// Listing a folder.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/Error.h"
#include "platform/File.h"

namespace kv::os {

// The entries of one folder, without "." and "..", in the order the system gives them.
class TFolderListing {
 public:
  TFolderListing();
  ~TFolderListing();
  TFolderListing(const TFolderListing&) = delete;
  TFolderListing& operator=(const TFolderListing&) = delete;

  bool Open(const std::string& folder, TError& error);
  // The next entry's name (UTF-8) and, when the listing tells it without another query, its
  // kind; false at the end or on failure (error set then).
  bool Next(std::string& name, std::optional<TEntryKind>& kind, TError& error);

 private:
  struct TState;
  std::unique_ptr<TState> State;
};

}  // namespace kv::os
