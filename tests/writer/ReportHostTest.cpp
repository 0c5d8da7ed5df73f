// The form that holds the report of a conversion: its components in the main window's order, its
// place among the application's forms, and the paths that reach its report datasets.
#include <gtest/gtest.h>

#include "app/Workbench.h"
#include "data/Datasets.h"
#include "legacy/Context.h"
#include "legacy/ComponentPath.h"
#include "support/ScriptedPrompter.h"
#include "writer/ReportHost.h"

namespace kv {
namespace {

TEST(ReportHost, OwnsTheMainWindowsComponentsInOrder) {
  TConversionContext hostContext;
  TReportHost host{hostContext};
  EXPECT_EQ(host.Name, "frmMain");
  std::vector<std::string> components;
  for (const auto& c : host.Components()) components.push_back(c->Name + ":" + c->ClassName());
  EXPECT_EQ(components, (std::vector<std::string>{
                            "kvReport1:TkvReport",
                            "kvOLEObject1:TkvOLEObject",
                            "kvRichObject1:TkvRichObject",
                            "kvCheckBoxObject1:TkvCheckBoxObject",
                            "kvShapeObject1:TkvShapeObject",
                            "kvBarCodeObject1:TkvBarCodeObject",
                            "kvChartObject1:TkvChartObject",
                            "kvRoundRectObject1:TkvRoundRectObject",
                            "kvCrossObject1:TkvCrossObject",
                            "kvDialogControls1:TkvDialogControls",
                            "kvADOComponents1:TkvADOComponents",
                            "kvIBXComponents1:TkvIBXComponents",
                            "kvDBXComponents1:TkvDBXComponents",
                            "kvDBDataSet1:TkvDBDataSet",
                            "kvUserDataset1:TkvUserDataset",
                            "kvUserDataset2:TkvUserDataset",
                        }));
  EXPECT_EQ(host.Report().Owner(), &host);
  EXPECT_EQ(host.Report().Dataset(), nullptr);
  const TkvDBDataSet& db = host.DBDataSet();
  EXPECT_EQ(db.DataSet(), nullptr);
  EXPECT_EQ(db.DataSource(), nullptr);
  EXPECT_EQ(host.UserDataset2().RangeEnd, TRangeEnd::reLast);
}

TEST(ReportHost, IsAFormOfItsContextsApplicationWhileItExists) {
  TConversionContext hostContext;
  TConversionContext other;
  {
    TReportHost host{hostContext};
    const std::vector<TComponent*> forms = hostContext.Application.Forms();
    ASSERT_EQ(forms.size(), 2u);
    EXPECT_EQ(forms[0], &host);  // just before the hidden form
    EXPECT_EQ(forms.back(), &hostContext.HostForm());
    EXPECT_EQ(hostContext.Application.FindForm("FRMMAIN"), &host);
    // Another context never sees it.
    EXPECT_EQ(other.Application.FindForm("frmMain"), nullptr);
    EXPECT_NE(&other.HostForm(), &hostContext.HostForm());
  }
  EXPECT_EQ(hostContext.Application.FindForm("frmMain"), nullptr);
}

TEST(ReportHost, PathsReachItsComponents) {
  TConversionContext hostContext;
  TReportHost host{hostContext};
  hostContext.Load.CurrentReport = &host.Report();
  EXPECT_EQ(FindComponentByPath(hostContext, nullptr, "frmMain.kvDBDataSet1"), &host.DBDataSet());
  EXPECT_EQ(FindComponentByPath(hostContext, nullptr, "frmMain.kvReport1"), &host.Report());
  EXPECT_EQ(FindComponentByPath(hostContext, host.Report().Owner(), "kvUserDataset2"),
            &host.UserDataset2());
  EXPECT_EQ(FindComponentByPath(hostContext, nullptr, "frmMain.kvReport1.Page1"), nullptr);

  TBandSource band = ResolveBandSource(hostContext, "frmMain.kvUserDataset1");
  EXPECT_EQ(band.Dataset, &host.UserDataset1());
  EXPECT_FALSE(band.IsCreated());
  EXPECT_THROW(ResolveBandSource(hostContext, "kvOLEObject1"), EInvalidCast);

  // The unbound database dataset of the window cannot name what it reads.
  try {
    host.DBDataSet().BoundDataset();
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Unable to open dataset kvDBDataSet1");
  }

  // Its three report datasets are listed in order.
  std::vector<TkvDataset*> mine;
  for (TkvDataset* d : ReportDatasets(hostContext)) {
    if (d->Owner() == &host) mine.push_back(d);
  }
  EXPECT_EQ(mine, (std::vector<TkvDataset*>{&host.DBDataSet(), &host.UserDataset1(),
                                            &host.UserDataset2()}));
}

TEST(ReportHost, ReportForgetsItsDatasetWhenThatGoes) {
  TConversionContext hostContext;
  TReportHost host{hostContext};
  auto& hosted = CreateOwned<TkvUserDataset>(hostContext.HostForm(), "Lines");
  host.Report().SetDataset(&hosted);
  EXPECT_EQ(host.Report().Dataset(), &hosted);
  FreeOwned(&hosted);
  EXPECT_EQ(host.Report().Dataset(), nullptr);
  host.Report().SetDataset(&host.UserDataset1());  // destroyed with the host, before the report
}

TEST(ReportHost, TheWorkbenchIsTheReportHost) {
  test::TScriptedPrompter prompter;
  TfrmMain form(prompter, "unused.ini");
  EXPECT_EQ(form.Name, "frmMain");
  EXPECT_EQ(form.ClassName(), "TfrmMain");
  EXPECT_EQ(form.Report().Name, "kvReport1");
  EXPECT_EQ(form.Context().Application.FindForm("frmMain"), &form);
}

}  // namespace
}  // namespace kv
