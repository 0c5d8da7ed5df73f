// The bases of dialog controls and database objects: defaults, published names, the component
// link, default names that avoid the HostForm's components, and the position block.
#include "objects/Control.h"

#include "base/Ascii.h"
#include "base/DocumentText.h"
#include "legacy/Factory.h"
#include "legacy/Primitives.h"

namespace kv {

// ---- TComponentLink -----------------------------------------------------------------------------

// The observer that the linked component tells when it is destroyed.
class TComponentLink::TWatch : public TComponent {
 public:
  TComponent* Target = nullptr;

 protected:
  void Notification(TComponent* component, TOperation operation) override {
    if (operation == TOperation::opRemove && component == Target) Target = nullptr;
  }
};

TComponentLink::TComponentLink() : Watch(std::make_unique<TWatch>()) {}

// Destroying the watch takes it off the target's list of observers.
TComponentLink::~TComponentLink() = default;

TComponentLink& TComponentLink::operator=(TComponent* component) {
  if (component == Watch->Target) return *this;
  if (Watch->Target) Watch->Target->RemoveFreeNotification(Watch.get());
  Watch->Target = component;
  if (component) component->FreeNotification(Watch.get());
  return *this;
}

TComponent* TComponentLink::Get() const {
  return Watch->Target;
}

// ---- TkvControl ---------------------------------------------------------------------------------

TkvControl::TkvControl() {
  TypeCode = TypeAddIn;
  FillColor = clBtnFace;
  FrameTyp = 0;
}

const TViewClass& TkvControl::Class() {
  static const TViewClass viewClass{"TkvControl", [] { return std::make_unique<TkvControl>(); }};
  return viewClass;
}

std::string TkvControl::ClassName() const {
  return "TkvControl";
}

void TkvControl::DeclareProperties() {
  AddProperty("Name", 0);
  AddProperty("Left", 0);
  AddProperty("Top", 0);
  AddProperty("Width", 0);
  AddProperty("Height", 0);
  AddProperty("Visible", 0);
  AddProperty("Restrictions", 0);
}

void TkvControl::AssignProperty(const std::string& name, const TVariant& value) {
  TkvView::AssignProperty(name, value);
  if (SameTextAscii(name, "Visible")) ShowWidget(Visible);
}

void TkvControl::ForEachTakenName(const std::function<void(std::string_view)>& visit) const {
  TkvView::ForEachTakenName(visit);
  for (const auto& component : HostForm().Components()) visit(component->Name);
}

// ---- TkvNonVisualControl ------------------------------------------------------------------------

TkvNonVisualControl::TkvNonVisualControl() {
  Width = 28;
  Height = 28;
}

TkvNonVisualControl::~TkvNonVisualControl() {
  TComponent* component = Component.Get();
  Component = nullptr;
  if (component && component->Owner()) component->Owner()->Remove(component);
}

const TViewClass& TkvNonVisualControl::Class() {
  static const TViewClass viewClass{"TkvNonVisualControl",
                                    [] { return std::make_unique<TkvNonVisualControl>(); }};
  return viewClass;
}

std::string TkvNonVisualControl::ClassName() const {
  return "TkvNonVisualControl";
}

void TkvNonVisualControl::DeclareProperties() {
  AddProperty("Name", 0);
  AddProperty("Restrictions", 0);
}

void TkvNonVisualControl::AssignProperty(const std::string& name, const TVariant& value) {
  TkvControl::AssignProperty(name, value);
  if (SameTextAscii(name, "Name") && Component) Component->Name = Name;
}

void TkvNonVisualControl::SaveToDocument(TStream& stream) {
  TkvControl::SaveToDocument(stream);
  TMemoryStream block;
  TFormWriter writer(block);
  WritePropdata(writer);
  WriteAttribute(stream, "Propdata", StreamToHex(block));
}

// The position block, in the value codes of binary form streams:
//   5 "pLeft"  integer value (code 2, 3 or 4: the smallest that holds Left)
//   4 "pTop"   integer value
void TkvNonVisualControl::WritePropdata(TFormWriter& writer) {
  writer.WritePropName("pLeft");
  writer.WriteInteger(Left);
  writer.WritePropName("pTop");
  writer.WriteInteger(Top);
}

}  // namespace kv
