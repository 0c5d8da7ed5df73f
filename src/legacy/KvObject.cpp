// The named-property descriptors of the root report object: adding, finding and removing them.
#include "legacy/KvObject.h"

#include <algorithm>

namespace kv {

namespace {

constexpr std::size_t MaxPropertyNameLength = 32;

std::string CutName(const std::string& name) {
  return name.substr(0, MaxPropertyNameLength);
}

// Property names are identifiers: they compare with ASCII case folding.
bool SameName(const std::string& a, const std::string& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    const auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
    return upper(x) == upper(y);
  });
}

// The position of the first descriptor named name (cut as stored names are), or end().
auto FindFirst(std::vector<std::unique_ptr<TkvPropRec>>& list, const std::string& name) {
  const std::string key = CutName(name);
  return std::find_if(list.begin(), list.end(),
                      [&](const auto& rec) { return SameName(rec->Name, key); });
}

}  // namespace

std::vector<std::string> SplitSemicolonList(const std::string& text) {
  std::vector<std::string> items;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t end = std::min(text.find(';', pos), text.size());
    items.push_back(text.substr(pos, end - pos));
    pos = end + 1;
  }
  return items;
}

void TkvObject::AddProperty(const std::string& name, std::uint16_t type, TPropertyEditor editor) {
  auto rec = std::make_unique<TkvPropRec>();
  rec->Name = CutName(name);
  rec->Type = type;
  rec->Editor = std::move(editor);
  PropList.push_back(std::move(rec));
}

void TkvObject::AddEnumProperty(const std::string& name, const std::string& names,
                                const std::vector<TVariant>& values) {
  auto rec = std::make_unique<TkvPropRec>();
  rec->Name = CutName(name);
  rec->Type = PropEnumType;
  rec->EnumNames = SplitSemicolonList(names);
  // The values stay parallel to the names: a missing value is empty, a surplus one is dropped.
  rec->EnumValues = values;
  rec->EnumValues.resize(rec->EnumNames.size());
  PropList.push_back(std::move(rec));
}

void TkvObject::DeleteProperty(const std::string& name) {
  const auto it = FindFirst(PropList, name);
  if (it != PropList.end()) PropList.erase(it);
}

TkvPropRec* TkvObject::FindProperty(const std::string& name) {
  const auto it = FindFirst(PropList, name);
  return it != PropList.end() ? it->get() : nullptr;
}

}  // namespace kv
