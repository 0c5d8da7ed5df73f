// A legacy report whose dialog page holds one object of every class placed on dialog pages: the
// dialog controls and the tables, queries and databases of the three access layers, taken from
// the add-in registry, so that a class registered later joins it by itself. The report library
// must have been started (RegisterReportLibrary). Saved in the current legacy layout.
#pragma once

#include <string>

#include "base/Stream.h"
#include "legacy/Context.h"
#include "legacy/Factory.h"
#include "legacy/Report.h"

namespace kv::test {

inline std::string DialogReport() {
  TConversionContext context;
  TkvReport report(context, "DialogReport");
  report.Pages.AddPage().Name = "Page1";
  TkvPage& dialog = report.Pages.AddPage();
  dialog.PageType = ptDialog;
  dialog.Name = "Dialog1";
  dialog.Caption = "Choose the period";
  int row = 0;
  for (const TkvAddInObjectInfo& info : AddIns()) {
    if (!info.IsControl) continue;
    std::unique_ptr<TkvView> object = info.Class->Create(context);
    std::string name = info.Class->Name.substr(3) + "1";  // "TkvEditControl" -> "EditControl1"
    object->AssignProperty("Name", name);
    object->Left = 8 + 120 * (row % 3);
    object->Top = 8 + 32 * (row / 3);
    if (info.Class->Name == "TkvLabelControl") {
      // A label of automatic size stored with a size that does not fit its caption: the
      // conversion measures it again.
      object->AssignProperty("Caption", std::string("Sales from:"));
      object->Width = 5;
      object->Height = 5;
    }
    if (object->QueryProperty("SQL") != TVariant{}) {
      object->AssignProperty("SQL", std::string("select * from Orders where Region = :Region"));
    }
    dialog.ObjectList.push_back(std::move(object));
    ++row;
  }
  TMemoryStream stream;
  report.SaveReportStream(stream);
  return stream.TakeBytes();
}

}  // namespace kv::test
