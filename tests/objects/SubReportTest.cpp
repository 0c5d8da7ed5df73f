// Tests of the subreport view: its defaults, its record with the page index in every version,
// its element name and Page attribute, the names it publishes, and the note on a page index that
// names no page.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "LegacyBytes.h"
#include "base/DocumentText.h"
#include "legacy/Context.h"
#include "legacy/Factory.h"
#include "legacy/Primitives.h"
#include "legacy/Report.h"
#include "objects/SubReport.h"
#include "support/StateScopes.h"
#include "support/ViewProbes.h"

namespace kv {
namespace {

using test::Document;

using test::TBytes;
using TLines = std::vector<std::string>;

using test::TTestContext;

TEST(SubReportTest, DefaultsAndRegistration) {
  TConversionContext context;
  TkvSubReportView view(context);
  EXPECT_EQ(view.TypeCode, TypeSubReport);
  EXPECT_EQ(view.NamePrefix, "SubReport");
  EXPECT_EQ(view.PageIndex, 0);
  EXPECT_EQ(view.ClassName(), "TkvSubReportView");
  EXPECT_EQ(view.ElementName(), "TkvxSubreport");
  EXPECT_EQ(BuiltInClass(TypeSubReport), &TkvSubReportView::Class());
  EXPECT_NE(dynamic_cast<TkvSubReportView*>(CreateReportObject(context, TypeSubReport, "").get()),
            nullptr);
}

// The page index follows the common record in every version, whatever the record version.
TEST(SubReportTest, PageIndexFollowsTheCommonRecordInEveryVersion) {
  for (const int version : {22, 23, 25}) {
    SCOPED_TRACE(version);
    TTestContext context(version);
    TBytes b;
    if (version >= 23) b.Str("SubReport2");
    if (version >= 24) b.Byte(1).Byte(0);
    b.Int(5).Int(6).Int(70).Int(80).Word(1).Word(0).Int(1).Int(0).Word(0).Int(clTransparent);
    b.Int(0x22E);
    if (version >= 23) {
      b.Str("").Word(0).Byte(0).Word(0).Byte(0).Word(0xFFFF);
    } else {
      b.Zero("").Zero("");
    }
    if (version >= 24) b.Word(0).Str("").Int(2).Int(1);
    b.Int(-7).Raw("NEXT");
    TMemoryStream stream(b.Data);
    TkvSubReportView view(context);
    view.LoadLegacy(stream);
    EXPECT_EQ(view.PageIndex, -7);
    EXPECT_EQ(view.Height, 80);
    EXPECT_EQ(stream.Remaining(), 4);
  }

  TTestContext context(25);
  TkvSubReportView view(context);
  view.PageIndex = 0x01020304;
  TMemoryStream written;
  view.SaveLegacy(written);
  TBytes tail;
  tail.Byte(baNone).Int(0x01020304);
  EXPECT_EQ(written.Bytes().substr(written.Bytes().size() - 5), tail.Data);
  written.SetPosition(0);
  TkvSubReportView loaded(context);
  loaded.LoadLegacy(written);
  EXPECT_EQ(loaded.PageIndex, 0x01020304);
  EXPECT_EQ(written.Remaining(), 0);
}

TEST(SubReportTest, ElementNamesThePageByItsDocumentName) {
  TConversionContext context;
  TkvSubReportView view(context);
  view.Name = "SubReport1";
  view.PageIndex = 1;
  EXPECT_EQ(Document(view),
            "<TkvxSubreport Name=\"SubReport1\" Left=\"0\" Top=\"0\" Width=\"0\" Height=\"0\""
            " Color=\"536870911\" Frame.Typ=\"0\" Frame.Width=\"1\" Frame.Color=\"0\""
            " Frame.Style=\"0\" GapX=\"2\" GapY=\"1\" TagStr=\"\" Memo.text=\"\" Align=\"0\""
            " Restrictions=\"0\" Page=\"Page2\"");
  view.PageIndex = 0x7FFFFFFF;  // written as it stands, without overflowing
  EXPECT_NE(Document(view).find(" Page=\"Page2147483648\""), std::string::npos);
}

TEST(SubReportTest, PublishesNoFrameNames) {
  TConversionContext context;
  TkvSubReportView view(context);
  view.DeclareProperties();
  std::vector<std::string> names;
  for (const auto& rec : view.PropList) names.push_back(rec->Name);
  EXPECT_EQ(names, (TLines{"Name", "Left", "Top", "Width", "Height", "Flags", "Visible", "Memo",
                           "Memo.Count", "Restrictions"}));
}

TEST(SubReportTest, PageIndexThatNamesNoPageIsNoted) {
  TConversionContext context;
  TkvReport report(context);
  report.Pages.AddPage();
  report.Pages.AddPage();
  context.Load.CurrentReport = &report;
  const struct {
    std::int32_t PageIndex;
    TLines Expected;
  } cases[] = {
      {0, {}},
      {1, {}},
      {2,
       {"its page index 2 names no page of the report; the document refers to Page3 all "
        "the same"}},
      {-1,
       {"its page index -1 names no page of the report; the document refers to Page0 all "
        "the same"}},
  };
  for (const auto& c : cases) {
    TkvSubReportView view(context);
    view.PageIndex = c.PageIndex;
    TLines losses;
    view.DocumentLosses(losses);
    EXPECT_EQ(losses, c.Expected) << c.PageIndex;
  }
}

}  // namespace
}  // namespace kv
