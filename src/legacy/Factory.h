// The object factory and the add-in registry. A legacy object record names its class by a type
// code (0 to 4 for the built-in classes) or, for add-ins (code 10), by class name; the factory
// turns that into a new report object. The registry lists the add-in classes the factory may
// create; it is filled once at program start and only read afterwards.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/Errors.h"
#include "legacy/Component.h"
#include "legacy/View.h"

namespace kv {

// One registry entry.
struct TkvAddInObjectInfo {
  const TViewClass* Class = nullptr;
  std::string Hint;        // decimal text of the message id of the designer's hint
  bool IsControl = false;  // placed on dialog pages (controls and database components)
};

// A class name not found in the registry while loading.
class EClassNotFound : public EKvError {
 public:
  using EKvError::EKvError;
};

inline constexpr std::size_t MaxAddIns = 64;

// Adds a class; a class already registered is not added again. Raises EKvError when the table
// is full.
void RegisterAddIn(const TViewClass& viewClass, int hintMessage, bool isControl);
// The same with the hint as it stands (the cross-tab family gives the message text itself).
void RegisterAddIn(const TViewClass& viewClass, std::string hint, bool isControl);
// Removes every entry of the class, closing the gap.
void UnregisterAddIn(const TViewClass& viewClass);
// The entries in registration order.
std::vector<TkvAddInObjectInfo> AddIns();

// Sets the class created for a built-in type code (0 to 4).
void RegisterBuiltInClass(std::uint8_t typeCode, const TViewClass& viewClass);
// The class registered for a built-in type code, or none.
const TViewClass* BuiltInClass(std::uint8_t typeCode);

// Creates the object of a type code: the built-in class for 0 to 4, none for 5 to 9 and above
// 10, the registered add-in named className (compared exactly) for 10. An unregistered name is
// added to the context's MissingClasses and raises EClassNotFound carrying all of them. Every
// object created gets the next ObjectId of the context (its NextObjectId) and is made in that
// context.
std::unique_ptr<TkvView> CreateReportObject(TConversionContext& context, int typeCode,
                                            const std::string& className);

// The components that tie each add-in family into the program; they hold nothing but the name of
// their class.
class TkvAddInComponent : public TComponent {
 public:
  TkvAddInComponent(std::string className, std::string name)
      : TComponent(std::move(name)), Class(std::move(className)) {}
  std::string ClassName() const override { return Class; }

 private:
  std::string Class;
};

// The class names of the twelve family components, in the order the window holds them.
const std::vector<std::string>& AddInComponentClasses();

}  // namespace kv
