// The report's data dictionary: its variables (named expressions grouped into categories) and
// two alias tables, and the name/value list they are kept in. Stored in a legacy report file as
// the block after the marker 254, in one of three layouts that the reader brings to one form.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "base/Stream.h"
#include "base/Variant.h"

namespace kv {

class TConversionContext;

// An ordered list of name/value entries with names unique without regard to case: setting an
// existing name replaces its value in place, a new name is appended.
class TkvVariables {
 public:
  void SetVariable(const std::string& name, const TVariant& value);
  // The value of a name; empty when it is absent.
  TVariant GetVariable(const std::string& name) const;
  int IndexOfName(const std::string& name) const;

  int Count() const { return static_cast<int>(Entries.size()); }
  // The name at an index; empty outside the list.
  std::string Name(int index) const;
  // The value at an index; the integer 0 outside the list.
  TVariant Value(int index) const;
  // Ignored outside the list.
  void SetName(int index, const std::string& name);
  void SetValue(int index, const TVariant& value);
  // Sets the name with the integer value 0, then moves its entry to position.
  void Insert(int position, const std::string& name);
  void Delete(int index);
  void Clear();
  void Assign(const TkvVariables& other);

 private:
  struct TEntry {
    std::string Name;
    TVariant Value;
  };
  void Reindex() const;

  std::vector<TEntry> Entries;
  // Folded name -> index, kept so that lookups stay fast in long lists.
  mutable std::unordered_map<std::string, int> Index;
  mutable bool IndexValid = true;
};

class TkvDataDictionary {
 public:
  // A dictionary reads its references against the components of a conversion context, and its
  // oldest layout in the context's file version.
  explicit TkvDataDictionary(TConversionContext& context) : Context(context) {}

  // Categories (names beginning with a blank) and the variables that follow each.
  TkvVariables VariableList;
  // Name: a dataset's component path, or a path, "." and a field name; value: its alias.
  TkvVariables AliasList;
  // Name: a report dataset's component path; value: the alias shown for it.
  TkvVariables DatasetAliasList;
  // Datasets left out of the designer's lists (not stored).
  std::vector<std::string> ExcludedDatasets;

  // Clears the three stored lists.
  void ClearDictionary();
  void LoadDictionary(TStream& stream);
  void SaveDictionary(TStream& stream) const;

  // A separate dictionary file: the byte 25, skipped when read, then the block.
  void LoadFromStream(TStream& stream);
  void SaveToStream(TStream& stream) const;
  void LoadFromFile(const std::string& path);
  // Replaces the file only once it is written completely.
  void SaveToFile(const std::string& path) const;

 private:
  TConversionContext& Context;
  void LoadOldestLayout(TStream& stream);
};

// The built-in value names of the oldest dictionary layout, by index.
const std::vector<std::string>& SpecialNames();

}  // namespace kv
