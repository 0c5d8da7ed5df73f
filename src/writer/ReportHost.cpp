// The form that holds the legacy report of a conversion.
#include "writer/ReportHost.h"

#include "data/Datasets.h"
#include "legacy/Context.h"
#include "legacy/Factory.h"

namespace kv {

namespace {

// The registration components, named after their class without "T" and with "1".
std::string RegistrationName(const std::string& className) {
  return className.substr(1) + "1";
}

}  // namespace

TReportHost::TReportHost(TConversionContext& context)
    : TComponent("frmMain"), OwnerContext(context) {
  kvReport1 = &CreateOwned<TkvReport>(*this, context, "kvReport1");
  for (const std::string& className : AddInComponentClasses()) {
    CreateOwned<TkvAddInComponent>(*this, className, RegistrationName(className));
  }
  kvDBDataSet1 = &CreateOwned<TkvDBDataSet>(*this, "kvDBDataSet1");
  kvUserDataset1 = &CreateOwned<TkvUserDataset>(*this, "kvUserDataset1");
  kvUserDataset2 = &CreateOwned<TkvUserDataset>(*this, "kvUserDataset2");
  context.Application.AddForm(this);
}

TReportHost::~TReportHost() {
  OwnerContext.Application.RemoveForm(this);
}

}  // namespace kv
