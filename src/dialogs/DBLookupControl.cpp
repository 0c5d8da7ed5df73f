// The database lookup control: the list source bound by path, the three texts of its payload and
// the notes for what its element does not carry.
#include "dialogs/DBLookupControl.h"

#include "legacy/ComponentPath.h"
#include "legacy/Context.h"
#include "legacy/Factory.h"

namespace kv {

namespace {

// The data source among the components of owner that serves dataSet, or none.
TDataSource* DataSourceOf(const TComponent& owner, const TDataSet& dataSet) {
  for (const auto& component : owner.Components()) {
    auto* source = dynamic_cast<TDataSource*>(component.get());
    if (source && source->DataSet() == &dataSet) return source;
  }
  return nullptr;
}

// The path of a dataset as a reference names it: its name, after its owner's name and a dot
// when its owner is not the HostForm.
std::string PathOf(const TComponent& component, const TComponent& hostForm) {
  const TComponent* owner = component.Owner();
  if (owner && owner != &hostForm) return owner->Name + "." + component.Name;
  return component.Name;
}

}  // namespace

TkvDBLookupControl::TkvDBLookupControl(TConversionContext& context) : TViewClassOf(context) {
  NamePrefix = "DBLookupComboBox";
  Color = clWindow;
  Width = 145;
  Height = 21;
}

const TPropertyTable<TkvDBLookupControl>& TkvDBLookupControl::Properties() {
  using D = TkvDBLookupControl;
  static const TPropertyTable<TkvDBLookupControl> table{
      TPropertyTable<TkvDBLookupControl>::TAfterParent{},
      {
          {"KeyField", [](const D& d) -> TVariant { return d.KeyField; },
           [](D& d, const TVariant& x) { d.KeyField = VarToStr(x); }},
          {"ListField", [](const D& d) -> TVariant { return d.ListField; },
           [](D& d, const TVariant& x) { d.ListField = VarToStr(x); }},
          {"ListSource",
           [](const D& d) -> TVariant {
             const TDataSource* source = d.ListDataSource();
             if (source && source->DataSet()) return PathOf(*source->DataSet(), d.Context().HostForm());
             return d.ListSourcePath;
           },
           [](D& d, const TVariant& x) {
             d.ListSourcePath = VarToStr(x);
             d.BindListSource();
           }},
          {"Text", [](const D& d) -> TVariant { return d.KeyValue; },
           [](D& d, const TVariant& x) { d.KeyValue = VarToStr(x); }},
      }};
  return table;
}

TDataSource* TkvDBLookupControl::ListDataSource() const {
  return static_cast<TDataSource*>(ListSourceLink.Get());
}

void TkvDBLookupControl::BindListSource() {
  ListSourceLink = nullptr;
  if (ListSourcePath.empty()) return;
  TComponent* found = nullptr;
  try {
    found = FindComponentByPath(Context(), &Context().HostForm(), ListSourcePath);
  } catch (const EClassNotFound&) {
    // A path that cannot be followed names no dataset.
  }
  const auto* dataSet = dynamic_cast<const TDataSet*>(found);
  if (!dataSet || !dataSet->Owner()) return;
  ListSourceLink = DataSourceOf(*dataSet->Owner(), *dataSet);
}

// Lookup payload:
//   ListSource   string   component path of the list's dataset
//   KeyField     string
//   ListField    string
void TkvDBLookupControl::LoadLegacy(TStream& stream) {
  TkvStdControl::LoadLegacy(stream);
  AssignProperty("ListSource", ReadLegacyString(stream));
  AssignProperty("KeyField", ReadLegacyString(stream));
  AssignProperty("ListField", ReadLegacyString(stream));
}

void TkvDBLookupControl::SaveLegacy(TStream& stream) {
  TkvStdControl::SaveLegacy(stream);
  WriteLegacyString(stream, VarToStr(QueryProperty("ListSource")));
  WriteLegacyString(stream, VarToStr(QueryProperty("KeyField")));
  WriteLegacyString(stream, VarToStr(QueryProperty("ListField")));
}

void TkvDBLookupControl::AfterLoad() {
  TkvStdControl::AfterLoad();
  BindListSource();
}

void TkvDBLookupControl::DocumentLosses(std::vector<std::string>& losses) const {
  TkvStdControl::DocumentLosses(losses);
  if (!ListSourcePath.empty()) {
    losses.push_back("the list source \"" + ListSourcePath + "\" is not carried into the document");
  }
  if (!KeyField.empty()) {
    losses.push_back("the key field \"" + KeyField + "\" is not carried into the document");
  }
  if (!ListField.empty()) {
    losses.push_back("the list field \"" + ListField + "\" is not carried into the document");
  }
}

void RegisterDBLookupControl() {
  RegisterAddIn(TkvDBLookupControl::Class(), 55473, true);
}

}  // namespace kv
