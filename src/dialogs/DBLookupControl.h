// The database lookup control: a combo box whose list comes from a dataset of the report's
// database objects. Its record names the list's dataset by component path (ListSource), the key
// field and the list field; the new document carries none of the three, so the element holds
// only the common attributes, and the conversion notes what is left behind.
#pragma once

#include <string>
#include <vector>

#include "data/AccessLayer.h"
#include "dialogs/StdControl.h"

namespace kv {

class TkvDBLookupControl
    : public TViewClassOf<TkvDBLookupControl, TkvStdControl, "TkvDBLookupControl"> {
 public:
  // NamePrefix "DBLookupComboBox", 145 x 21.
  explicit TkvDBLookupControl(TConversionContext& context);

  // "KeyField", "ListField", "ListSource", "Text" (the key value). Setting "ListSource" keeps
  // the path and binds the list to the data source that serves the dataset it names, from the
  // HostForm; a path that names no dataset leaves the list unbound, without an error. Reading
  // it gives the bound dataset's path, or the kept path while unbound.
  static const TPropertyTable<TkvDBLookupControl>& Properties();

  // Payload: ListSource string, KeyField string, ListField string, applied and read by name.
  void LoadLegacy(TStream& stream) override;
  void SaveLegacy(TStream& stream) override;
  // Binds the list source again: its dataset may come later in the file than the control.
  void AfterLoad() override;
  // Besides the common ones: the list source, key field and list field, when set.
  void DocumentLosses(std::vector<std::string>& losses) const override;

  // The data source of the list, or none; cleared when the data source goes.
  TDataSource* ListDataSource() const;

  // The path ListSource was last set to.
  std::string ListSourcePath;
  std::string KeyField;
  std::string ListField;
  std::string KeyValue;

 private:
  // Binds the list to the data source of the dataset that ListSourcePath names, or unbinds it.
  void BindListSource();

  TComponentLink ListSourceLink;
};

// Registers the lookup control as an add-in placed on dialog pages.
void RegisterDBLookupControl();

}  // namespace kv
