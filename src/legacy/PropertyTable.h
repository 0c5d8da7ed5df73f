// The named properties of a class as one table. Each entry names a property and says how to read
// it, how to set it and whether the designer lists it; the class's DeclareProperties,
// AssignProperty and QueryProperty are derived from the table, so that a class adds a property in
// one place. Names compare ignoring ASCII case.
#pragma once

#include <concepts>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/Ascii.h"
#include "base/Variant.h"
#include "legacy/KvObject.h"

namespace kv {

template <class T>
class TPropertyTable {
 public:
  using TGetter = TVariant (*)(const T&);
  using TSetter = void (*)(T&, const TVariant&);
  using TCondition = bool (*)(const T&);

  struct TEntry {
    const char* Name;
    TGetter Get = nullptr;  // none: not read by name here (a parent class may read it)
    TSetter Set = nullptr;  // none: not set by name here
    bool Declared = true;   // listed for the designer, in table order
    // An enumeration: its names separated by ";" and one value per name.
    const char* EnumNames = nullptr;
    std::vector<std::int64_t> EnumValues = {};
    // Declared only while this holds (the kind of page, a class's choice); always when none.
    TCondition DeclaredWhen = nullptr;
  };

  TPropertyTable(std::initializer_list<TEntry> entries) : Entries(entries) {
    for (const TEntry& entry : Entries) UpperNames.push_back(AsciiUpper(entry.Name));
  }
  // A table whose class lists its parent class's names first, then its own entries.
  struct TAfterParent {};
  TPropertyTable(TAfterParent, std::initializer_list<TEntry> entries) : TPropertyTable(entries) {
    ParentFirst = true;
  }

  // True when DeclareProperties lists the parent class's names before this table's.
  bool DeclaresParentFirst() const { return ParentFirst; }

  // Adds the declared entries to object's property list, in table order.
  void Declare(T& object) const {
    for (const TEntry& entry : Entries) {
      if (!entry.Declared || (entry.DeclaredWhen && !entry.DeclaredWhen(object))) continue;
      if (entry.EnumNames) {
        std::vector<TVariant> values(entry.EnumValues.begin(), entry.EnumValues.end());
        object.AddEnumProperty(entry.Name, entry.EnumNames, values);
      } else {
        object.AddProperty(entry.Name, 0);
      }
    }
  }

  // Sets the property through the first entry of that name with a setter; false when there is
  // none, so that the caller hands the name on to its parent class.
  bool Assign(T& object, std::string_view name, const TVariant& value) const {
    const std::string upper = AsciiUpper(name);
    for (std::size_t i = 0; i < Entries.size(); ++i) {
      if (Entries[i].Set && UpperNames[i] == upper) {
        Entries[i].Set(object, value);
        return true;
      }
    }
    return false;
  }

  // The value through the first entry of that name with a getter; none when there is none.
  std::optional<TVariant> Query(const T& object, std::string_view name) const {
    const std::string upper = AsciiUpper(name);
    for (std::size_t i = 0; i < Entries.size(); ++i) {
      if (Entries[i].Get && UpperNames[i] == upper) return Entries[i].Get(object);
    }
    return std::nullopt;
  }

 private:
  std::vector<TEntry> Entries;
  std::vector<std::string> UpperNames;
  bool ParentFirst = false;
};

// The three named-property operations of a class Self derived from Parent, from Self's own table
// (a static Properties() returning TPropertyTable<Self>): DeclareProperties declares its entries,
// after the parent class's names when the table says so;
// AssignProperty and QueryProperty look a name up there first and hand it on to Parent when the
// table does not handle it. A class without a table of its own keeps Parent's operations.
template <class Self, class Parent>
class TPropertiesOf : public Parent {
  // Self's own table, not one it inherits. A function, so that it is asked only once Self is
  // complete.
  static constexpr bool OwnTable() {
    return requires {
      { Self::Properties() } -> std::same_as<const TPropertyTable<Self>&>;
    };
  }

 public:
  using Parent::Parent;

  void DeclareProperties() override {
    if constexpr (OwnTable()) {
      if (Self::Properties().DeclaresParentFirst()) Parent::DeclareProperties();
      Self::Properties().Declare(static_cast<Self&>(*this));
    } else {
      Parent::DeclareProperties();
    }
  }
  void AssignProperty(const std::string& name, const TVariant& value) override {
    if constexpr (OwnTable()) {
      if (Self::Properties().Assign(static_cast<Self&>(*this), name, value)) return;
    }
    Parent::AssignProperty(name, value);
  }
  TVariant QueryProperty(const std::string& name) override {
    if constexpr (OwnTable()) {
      if (auto value = Self::Properties().Query(static_cast<const Self&>(*this), name)) {
        return *value;
      }
    }
    return Parent::QueryProperty(name);
  }
};

}  // namespace kv
