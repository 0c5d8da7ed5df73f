// The add-in registry and the object factory.
#include "legacy/Factory.h"

#include <algorithm>
#include <array>
#include <mutex>
#include <shared_mutex>
#include <utility>

#include "legacy/Context.h"

namespace kv {


namespace {

// The registry is written at start-up and read by every load; the lock makes a late
// registration safe, though none happens while files are converted.
struct TRegistry {
  std::shared_mutex Lock;
  std::vector<TkvAddInObjectInfo> Entries;
  std::array<const TViewClass*, 5> BuiltIns{};
};

TRegistry& Registry() {
  static TRegistry registry;
  return registry;
}

}  // namespace

void RegisterAddIn(const TViewClass& viewClass, int hintMessage, bool isControl) {
  RegisterAddIn(viewClass, std::to_string(hintMessage), isControl);
}

void RegisterAddIn(const TViewClass& viewClass, std::string hint, bool isControl) {
  TRegistry& r = Registry();
  std::unique_lock lock(r.Lock);
  for (const auto& entry : r.Entries) {
    if (entry.Class == &viewClass) return;
  }
  if (r.Entries.size() >= MaxAddIns) {
    throw EKvError("The add-in registry is full; " + viewClass.Name + " cannot be registered");
  }
  r.Entries.push_back({&viewClass, std::move(hint), isControl});
}

void UnregisterAddIn(const TViewClass& viewClass) {
  TRegistry& r = Registry();
  std::unique_lock lock(r.Lock);
  std::erase_if(r.Entries, [&](const TkvAddInObjectInfo& e) { return e.Class == &viewClass; });
}

std::vector<TkvAddInObjectInfo> AddIns() {
  TRegistry& r = Registry();
  std::shared_lock lock(r.Lock);
  return r.Entries;
}

void RegisterBuiltInClass(std::uint8_t typeCode, const TViewClass& viewClass) {
  if (typeCode >= 5) return;
  TRegistry& r = Registry();
  std::unique_lock lock(r.Lock);
  r.BuiltIns[typeCode] = &viewClass;
}

const TViewClass* BuiltInClass(std::uint8_t typeCode) {
  if (typeCode >= 5) return nullptr;
  TRegistry& r = Registry();
  std::shared_lock lock(r.Lock);
  return r.BuiltIns[typeCode];
}

std::unique_ptr<TkvView> CreateReportObject(TConversionContext& context, int typeCode,
                                            const std::string& className) {
  TRegistry& r = Registry();
  std::unique_ptr<TkvView> object;
  if (typeCode >= 0 && typeCode <= 4) {
    const TViewClass* builtIn = nullptr;
    {
      std::shared_lock lock(r.Lock);
      builtIn = r.BuiltIns[static_cast<std::size_t>(typeCode)];
    }
    // A built-in class that this build does not hold yet creates nothing, like codes 5 to 9.
    if (builtIn) object = builtIn->Create(context);
  } else if (typeCode == TypeAddIn) {
    const TViewClass* found = nullptr;
    {
      std::shared_lock lock(r.Lock);
      for (const auto& entry : r.Entries) {
        if (entry.Class->Name == className) {
          found = entry.Class;
          break;
        }
      }
    }
    if (!found) {
      TLoadState& state = context.Load;
      state.MissingClassFlag = true;
      state.MissingClasses += className + "\r";
      throw EClassNotFound(state.MissingClasses);
    }
    object = found->Create(context);
    object->TypeCode = TypeAddIn;
  }
  if (object) object->ObjectId = context.NextObjectId++;
  return object;
}

const std::vector<std::string>& AddInComponentClasses() {
  static const std::vector<std::string> classes{
      "TkvOLEObject",      "TkvRichObject",    "TkvCheckBoxObject",  "TkvShapeObject",
      "TkvBarCodeObject",  "TkvChartObject",   "TkvRoundRectObject", "TkvCrossObject",
      "TkvDialogControls", "TkvADOComponents", "TkvIBXComponents",   "TkvDBXComponents"};
  return classes;
}

}  // namespace kv
