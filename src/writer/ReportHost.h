// The form that holds the legacy report of a conversion, as the application's main window holds
// it: a component named "frmMain" owning the report kvReport1, one registration component per
// add-in family and three report datasets, so that component paths in loaded reports
// ("frmMain.kvDBDataSet1") resolve as they would against that window. It is one of the forms of its
// conversion context's application for as long as it exists, and its report belongs to that
// context: one host per context, one context per thread that converts reports.
#pragma once

#include "legacy/Component.h"
#include "legacy/Report.h"

namespace kv {

class TkvDBDataSet;
class TkvUserDataset;

class TReportHost : public TComponent {
 public:
  explicit TReportHost(TConversionContext& context);
  ~TReportHost() override;

  TConversionContext& Context() const { return OwnerContext; }

  std::string ClassName() const override { return "TReportHost"; }

  TkvReport& Report() const { return *kvReport1; }
  TkvDBDataSet& DBDataSet() const { return *kvDBDataSet1; }
  TkvUserDataset& UserDataset1() const { return *kvUserDataset1; }
  TkvUserDataset& UserDataset2() const { return *kvUserDataset2; }

 private:
  TConversionContext& OwnerContext;
  TkvReport* kvReport1;
  TkvDBDataSet* kvDBDataSet1;
  TkvUserDataset* kvUserDataset1;
  TkvUserDataset* kvUserDataset2;
};

}  // namespace kv
