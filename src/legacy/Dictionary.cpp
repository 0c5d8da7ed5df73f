// The data dictionary and its legacy block.
#include "legacy/Dictionary.h"

#include "legacy/Context.h"

#include <algorithm>

#include "base/Ascii.h"
#include "base/Files.h"
#include "legacy/ComponentPath.h"
#include "legacy/Primitives.h"

namespace kv {

namespace {

constexpr std::uint8_t DictionaryFileVersion = 25;

std::string Folded(const std::string& name) {
  return AsciiUpper(name);
}

void ReadNameValueList(TStream& stream, TkvVariables& list) {
  const std::int32_t count = ReadInt(stream);
  for (std::int32_t i = 0; i < count; ++i) {
    std::string name = ReadLegacyString(stream);
    std::string value = ReadLegacyString(stream);
    list.SetVariable(name, value);
  }
}

void WriteNameValueList(TStream& stream, const TkvVariables& list) {
  WriteInt(stream, list.Count());
  for (int i = 0; i < list.Count(); ++i) {
    WriteLegacyString(stream, list.Name(i));
    WriteLegacyString(stream, VarToStr(list.Value(i)));
  }
}

// A short text of the oldest layout: a length byte and that many bytes.
std::string ReadShortText(TStream& stream) {
  return stream.ReadBytes(stream.ReadU8());
}

}  // namespace

// ---- TkvVariables -------------------------------------------------------------------------------

void TkvVariables::Reindex() const {
  Index.clear();
  for (std::size_t i = 0; i < Entries.size(); ++i) {
    Index.emplace(Folded(Entries[i].Name), static_cast<int>(i));
  }
  IndexValid = true;
}

int TkvVariables::IndexOfName(const std::string& name) const {
  if (!IndexValid) Reindex();
  const auto it = Index.find(Folded(name));
  return it == Index.end() ? -1 : it->second;
}

void TkvVariables::SetVariable(const std::string& name, const TVariant& value) {
  const int index = IndexOfName(name);
  if (index >= 0) {
    Entries[static_cast<std::size_t>(index)].Value = value;
    return;
  }
  Entries.push_back({name, value});
  if (IndexValid) Index.emplace(Folded(name), static_cast<int>(Entries.size() - 1));
}

TVariant TkvVariables::GetVariable(const std::string& name) const {
  const int index = IndexOfName(name);
  return index < 0 ? TVariant{} : Entries[static_cast<std::size_t>(index)].Value;
}

std::string TkvVariables::Name(int index) const {
  return index >= 0 && index < Count() ? Entries[static_cast<std::size_t>(index)].Name
                                       : std::string();
}

TVariant TkvVariables::Value(int index) const {
  return index >= 0 && index < Count() ? Entries[static_cast<std::size_t>(index)].Value
                                       : TVariant{std::int64_t{0}};
}

void TkvVariables::SetName(int index, const std::string& name) {
  if (index < 0 || index >= Count()) return;
  Entries[static_cast<std::size_t>(index)].Name = name;
  IndexValid = false;
}

void TkvVariables::SetValue(int index, const TVariant& value) {
  if (index >= 0 && index < Count()) Entries[static_cast<std::size_t>(index)].Value = value;
}

void TkvVariables::Insert(int position, const std::string& name) {
  SetVariable(name, std::int64_t{0});
  const int from = IndexOfName(name);
  const int to = std::clamp(position, 0, Count() - 1);
  if (from == to) return;
  TEntry entry = std::move(Entries[static_cast<std::size_t>(from)]);
  Entries.erase(Entries.begin() + from);
  Entries.insert(Entries.begin() + to, std::move(entry));
  IndexValid = false;
}

void TkvVariables::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  Entries.erase(Entries.begin() + index);
  IndexValid = false;
}

void TkvVariables::Clear() {
  Entries.clear();
  Index.clear();
  IndexValid = true;
}

void TkvVariables::Assign(const TkvVariables& other) {
  if (&other == this) return;
  Clear();
  for (const auto& entry : other.Entries) SetVariable(entry.Name, entry.Value);
}

// ---- TkvDataDictionary --------------------------------------------------------------------------

const std::vector<std::string>& SpecialNames() {
  static const std::vector<std::string> names{
      "PAGE#",   "",         "DATE",       "TIME",          "LINE#",      "LINETHROUGH#",
      "COLUMN#", "CURRENT#", "TOTALPAGES", "REPORTCOMMENT", "REPORTNAME", "REPORTAUTOR",
      "VMAJOR",  "VMINOR",   "VRELEASE",   "VBUILD",        "REPORTDATE", "REPORTLASTCHANGE"};
  return names;
}

void TkvDataDictionary::ClearDictionary() {
  VariableList.Clear();
  AliasList.Clear();
  DatasetAliasList.Clear();
}

void TkvDataDictionary::LoadDictionary(TStream& stream) {
  ClearDictionary();
  const std::int16_t mark = ReadWord(stream);
  if (mark == -1 || mark == -2) {
    ReadNameValueList(stream, VariableList);
    ReadNameValueList(stream, AliasList);
    ReadNameValueList(stream, DatasetAliasList);
  } else {
    stream.Seek(-2, TSeekOrigin::soCurrent);
    LoadOldestLayout(stream);
  }

  // Lists whose first entry is a category without a leading blank use the other convention:
  // bring them to "categories begin with a blank, variables do not".
  const std::string first = VariableList.Name(0);
  if (VariableList.Count() > 0 && !first.empty() && first[0] != ' ') {
    for (int i = 0; i < VariableList.Count(); ++i) {
      const std::string name = VariableList.Name(i);
      if (name.empty()) continue;
      VariableList.SetName(i, name[0] == ' ' ? name.substr(1, 255) : " " + name);
    }
  }

  if (mark == -1) {
    // The previous layout kept entries without alias; drop those that name no field. The entries
    // are resolved in order: a name that does not determine a dataset of its own is taken as a
    // field of the dataset found for the entries before it.
    TComponent* remembered = nullptr;
    std::vector<int> unnamed;
    for (int i = 0; i < AliasList.Count(); ++i) {
      if (!VarToStr(AliasList.Value(i)).empty()) continue;
      if (ResolveFieldReference(Context, AliasList.Name(i), remembered).FieldName.empty()) {
        unnamed.push_back(i);
      }
    }
    for (auto it = unnamed.rbegin(); it != unnamed.rend(); ++it) AliasList.Delete(*it);
    for (int i = DatasetAliasList.Count() - 1; i >= 0; --i) {
      if (VarToStr(DatasetAliasList.Value(i)).empty()) DatasetAliasList.Delete(i);
    }
  }
}

void TkvDataDictionary::LoadOldestLayout(TStream& stream) {
  const std::int32_t count = ReadInt(stream);
  const auto& special = SpecialNames();
  for (std::int32_t i = 0; i < count; ++i) {
    const std::uint8_t kind = ReadByte(stream);
    const std::int32_t index = ReadInt(stream);
    const std::string s1 = ReadShortText(stream);
    const std::string s2 = ReadShortText(stream);
    const std::string s3 = ReadShortText(stream);
    std::string value;
    if (kind == 1) {
      value = s1 + ".\"" + s2 + "\"";
    } else if (kind == 2) {
      // An index outside the table has no built-in name; its value stays empty.
      if (index == 1) {
        value = s2;
      } else if (index >= 0 && index < static_cast<std::int32_t>(special.size())) {
        value = special[static_cast<std::size_t>(index)];
      }
    }
    AliasList.SetVariable(" " + s3, value);
  }
  std::vector<std::string> lines;
  ReadStoredMemo(stream, lines, Context.Load.LegacyVersion);
  for (const auto& line : lines) {
    if (!line.empty() && line[0] != ' ') {
      VariableList.SetVariable(line, std::string());
    } else {
      VariableList.SetVariable(line, AliasList.GetVariable(line));
    }
  }
  AliasList.Clear();
}

void TkvDataDictionary::SaveDictionary(TStream& stream) const {
  WriteWord(stream, -2);
  WriteNameValueList(stream, VariableList);
  WriteNameValueList(stream, AliasList);
  WriteNameValueList(stream, DatasetAliasList);
}

void TkvDataDictionary::LoadFromStream(TStream& stream) {
  stream.ReadU8();  // the layout version, 25
  LoadDictionary(stream);
}

void TkvDataDictionary::SaveToStream(TStream& stream) const {
  stream.WriteU8(DictionaryFileVersion);
  SaveDictionary(stream);
}

void TkvDataDictionary::LoadFromFile(const std::string& path) {
  TFileStream stream(path);
  LoadFromStream(stream);
}

void TkvDataDictionary::SaveToFile(const std::string& path) const {
  TMemoryStream stream;
  SaveToStream(stream);
  WriteFileSafely(path, stream.Bytes());
}

}  // namespace kv
