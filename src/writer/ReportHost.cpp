// The form that holds the legacy report of a conversion.
#include "writer/ReportHost.h"

#include "data/Datasets.h"
#include "legacy/Factory.h"

namespace kv {

namespace {

// The registration components, named after their class without "T" and with "1".
std::string RegistrationName(const std::string& className) {
  return className.substr(1) + "1";
}

}  // namespace

TReportHost::TReportHost() : TComponent("frmMain") {
  kvReport1 = &CreateOwned<TkvReport>(*this, "kvReport1");
  for (const std::string& className : AddInComponentClasses()) {
    CreateOwned<TkvAddInComponent>(*this, className, RegistrationName(className));
  }
  kvDBDataSet1 = &CreateOwned<TkvDBDataSet>(*this, "kvDBDataSet1");
  kvUserDataset1 = &CreateOwned<TkvUserDataset>(*this, "kvUserDataset1");
  kvUserDataset2 = &CreateOwned<TkvUserDataset>(*this, "kvUserDataset2");
  Application().AddForm(this);
}

TReportHost::~TReportHost() {
  Application().RemoveForm(this);
}

}  // namespace kv
