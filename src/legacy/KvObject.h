// The root of report objects and pages: named-property descriptors for the designer and the four
// virtual operations through which scripts and the designer reach an object's properties.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/Variant.h"

namespace kv {

class TkvObject;

// Opens a special editor for a property (a designer hook; never called by the conversion).
using TPropertyEditor = std::function<void(TkvObject&)>;

// One named-property descriptor.
struct TkvPropRec {
  std::string Name;                    // at most 32 characters; longer names are cut
  std::uint16_t Type = 0;              // how the designer edits it; 32 marks an enumeration
  std::vector<std::string> EnumNames;  // enumerations only
  std::vector<TVariant> EnumValues;    // parallel to EnumNames
  TPropertyEditor Editor;
};

inline constexpr std::uint16_t PropEnumType = 32;

class TkvObject {
 public:
  TkvObject() = default;
  virtual ~TkvObject() = default;
  TkvObject(const TkvObject&) = delete;
  TkvObject& operator=(const TkvObject&) = delete;

  // Names compare without regard to case; overriding classes upper-case the name first.
  virtual void AssignProperty(const std::string& name, const TVariant& value) {}
  virtual TVariant QueryProperty(const std::string& name) { return {}; }
  virtual TVariant RunMethod(const std::string& name, const TVariant& argument1,
                             const TVariant& argument2, const TVariant& argument3) {
    return {};
  }
  virtual void DeclareProperties() {}

  void AddProperty(const std::string& name, std::uint16_t type, TPropertyEditor editor = {});
  // names: items separated by ";" (see SplitSemicolonList); values: one per name, in order.
  void AddEnumProperty(const std::string& name, const std::string& names,
                       const std::vector<TVariant>& values);
  void DeleteProperty(const std::string& name);
  TkvPropRec* FindProperty(const std::string& name);

  std::vector<std::unique_ptr<TkvPropRec>> PropList;
};

// Splits a ";" list: "a;b" and "a;b;" give a, b; ";a" gives "", a; "" gives nothing.
std::vector<std::string> SplitSemicolonList(const std::string& text);

}  // namespace kv
