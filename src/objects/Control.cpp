// The bases of dialog controls and database objects: defaults, published names, the component
// link, default names that avoid the HostForm's components, and the position block.
#include "objects/Control.h"

#include "legacy/Context.h"

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

TkvControl::TkvControl(TConversionContext& context) : TViewClassOf(context) {
  TypeCode = TypeAddIn;
  FillColor = clBtnFace;
  FrameTyp = 0;
}

const TPropertyTable<TkvControl>& TkvControl::Properties() {
  using C = TkvControl;
  static const TPropertyTable<TkvControl> table{
      {"Name"},
      {"Left"},
      {"Top"},
      {"Width"},
      {"Height"},
      {.Name = "Visible",
       .Set =
           [](C& c, const TVariant& x) {
             c.TkvView::AssignProperty("Visible", x);
             c.ShowWidget(c.Visible);
           }},
      {"Restrictions"},
  };
  return table;
}

void TkvControl::ForEachTakenName(const std::function<void(std::string_view)>& visit) const {
  TkvView::ForEachTakenName(visit);
  for (const auto& component : Context().HostForm().Components()) visit(component->Name);
}

// ---- TkvNonVisualControl ------------------------------------------------------------------------

TkvNonVisualControl::TkvNonVisualControl(TConversionContext& context) : TViewClassOf(context) {
  Width = 28;
  Height = 28;
}

TkvNonVisualControl::~TkvNonVisualControl() {
  TComponent* component = Component.Get();
  Component = nullptr;
  if (component && component->Owner()) component->Owner()->Remove(component);
}

const TPropertyTable<TkvNonVisualControl>& TkvNonVisualControl::Properties() {
  using C = TkvNonVisualControl;
  static const TPropertyTable<TkvNonVisualControl> table{
      {.Name = "Name",
       .Set =
           [](C& c, const TVariant& x) {
             c.TkvControl::AssignProperty("Name", x);
             if (c.Component) c.Component->Name = c.Name;
           }},
      {"Restrictions"},
  };
  return table;
}

void TkvNonVisualControl::SaveToDocument(TDocumentStream& stream) {
  TkvControl::SaveToDocument(stream);
  TMemoryStream block;
  TFormWriter writer(block, Context().CodePage);
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
