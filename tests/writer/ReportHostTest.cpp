// The form that holds the report of a conversion: its components in the main window's order, its
// place among the application's forms, and the paths that reach its report datasets.
#include <gtest/gtest.h>

#include "app/Workbench.h"
#include "data/Datasets.h"
#include "legacy/ComponentPath.h"
#include "legacy/LoadState.h"
#include "support/ScriptedPrompter.h"
#include "writer/ReportHost.h"

namespace kv {
namespace {

TEST(ReportHost, OwnsTheMainWindowsComponentsInOrder) {
  TReportHost host;
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

TEST(ReportHost, IsAFormOfTheApplicationWhileItExists) {
  {
    TReportHost host;
    const std::vector<TComponent*> forms = Application().Forms();
    ASSERT_GE(forms.size(), 2u);
    EXPECT_EQ(forms[forms.size() - 2], &host);  // just before the hidden form
    EXPECT_EQ(forms.back(), &HostForm());
    EXPECT_EQ(Application().FindForm("FRMMAIN"), &host);
  }
  EXPECT_EQ(Application().FindForm("frmMain"), nullptr);
}

TEST(ReportHost, PathsReachItsComponents) {
  TReportHost host;
  LoadState().CurrentReport = &host.Report();
  EXPECT_EQ(FindComponentByPath(nullptr, "frmMain.kvDBDataSet1"), &host.DBDataSet());
  EXPECT_EQ(FindComponentByPath(nullptr, "frmMain.kvReport1"), &host.Report());
  EXPECT_EQ(FindComponentByPath(host.Report().Owner(), "kvUserDataset2"), &host.UserDataset2());
  EXPECT_EQ(FindComponentByPath(nullptr, "frmMain.kvReport1.Page1"), nullptr);

  TBandSource band = ResolveBandSource("frmMain.kvUserDataset1");
  EXPECT_EQ(band.Dataset, &host.UserDataset1());
  EXPECT_FALSE(band.IsCreated());
  EXPECT_THROW(ResolveBandSource("kvOLEObject1"), EInvalidCast);

  // The unbound database dataset of the window cannot name what it reads.
  try {
    host.DBDataSet().BoundDataset();
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Unable to open dataset kvDBDataSet1");
  }

  // Its three report datasets are listed in order.
  std::vector<TkvDataset*> mine;
  for (TkvDataset* d : ReportDatasets()) {
    if (d->Owner() == &host) mine.push_back(d);
  }
  EXPECT_EQ(mine, (std::vector<TkvDataset*>{&host.DBDataSet(), &host.UserDataset1(),
                                            &host.UserDataset2()}));
  LoadState().CurrentReport = nullptr;
}

TEST(ReportHost, ReportForgetsItsDatasetWhenThatGoes) {
  TReportHost host;
  auto& hosted = CreateOwned<TkvUserDataset>(HostForm(), "Lines");
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
  EXPECT_EQ(Application().FindForm("frmMain"), &form);
}

}  // namespace
}  // namespace kv
