// Whole reports of every file version from 21 to 25 holding the built-in object families (memos,
// bands of every type, pictures of every graphic kind, a line, a subreport), made byte by byte
// from the file layout: each converts into a well-formed document whose elements are the ones
// the families write, and the outcome notes what the document does not carry.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <pugixml.hpp>
#include <string>
#include <vector>

#include "FamilyReports.h"
#include "support/RecordingReportPrompter.h"
#include "support/TempDir.h"
#include "legacy/Context.h"
#include "writer/Conversion.h"
#include "writer/ReportHost.h"

namespace kv {
namespace {

using test::TFamilyReport;
using test::TRecordingPrompter;
using test::TTempDir;

// The elements of a page, by name.
std::map<std::string, pugi::xml_node> ByName(const pugi::xml_node& page) {
  std::map<std::string, pugi::xml_node> elements;
  for (const pugi::xml_node& element : page.children()) {
    elements[element.attribute("Name").value()] = element;
  }
  return elements;
}

class FamilyReportsTest : public ::testing::TestWithParam<int> {
 protected:
  TTempDir Dir;
  TConversionContext HostContext;
  TReportHost Host{HostContext};
  TRecordingPrompter Prompter;
};

TEST_P(FamilyReportsTest, ConvertsEveryFamilyIntoItsElements) {
  const int version = GetParam();
  const std::string path = Dir.Write("r.kvf", TFamilyReport(version).Bytes());
  const TConversionOutcome o = ConvertReportFile(Host, path, Prompter);
  ASSERT_TRUE(o.Written()) << o.Problem;
  EXPECT_TRUE(o.Messages.empty()) << o.Messages.front();
  // What the document does not carry, object by object; nothing was skipped. Records gain
  // fields with the versions: the stored character set from 23, records per column from 24,
  // a group's master and a picture's blob type with the record version of the 2.x files (25).
  const std::string band = " is not carried into the document";
  std::vector<std::string> notes;
  if (version >= 24)
    notes.push_back("Page 1, Band6: records per column (3) are not carried into the document");
  notes.push_back("Page 1, Band9: the record count 5 of the data band" + band);
  notes.push_back("Page 1, Band12: the data source \"kvReport1\" names no report dataset and" +
                  band);
  if (version >= 25)
    notes.push_back("Page 1, Band17: the master band \"Band6\" of the group header" + band);
  for (const char* cross : {"19: band type \"Cross header\"", "20: band type \"Cross data\"",
                            "21: band type \"Cross footer\"", "23: band type \"None\""}) {
    notes.push_back(std::string("Page 1, Band") + cross +
                    " has no element class in the new format; the band" + band);
  }
  notes.push_back(
      "Page 1, Memo2: the display format's 2 decimal digits are not carried into the document");
  notes.push_back("Page 1, Memo4: word break" + band);
  if (version >= 23) notes.push_back("Page 1, Memo4: the font's character set 204" + band);
  if (version >= 25)
    notes.push_back("Page 1, Picture1: the blob type btJPG of its data-field image" + band);
  notes.push_back(
      "Page 1, Picture1: its data-field reference kvUserDataset1.\"Photo\" names no field of a "
      "dataset, so the document names no data field");
  // The add-ins of the second page; the cross-tab's record gains its totals and widths with the
  // record version of the 2.x files.
  notes.push_back(
      std::string("Page 2, Cross1: its cross-tab options (frame lines inside the table") +
      (version >= 25 ? ", no grand total, header column 120 pixels wide" : "") +
      ") are not carried into the document");
  notes.push_back(
      "Page 2, RoundRect1: its shadow (colour 8421504, 6 pixels wide) is not carried into the "
      "document");
  notes.push_back(
      "Page 2, RoundRect1: its rounded corners (10 pixels) are not carried into the "
      "document");
  notes.push_back(
      "Page 2, Chart1: its chart (bar chart, captions from Memo5, values from Memo5) is not "
      "carried into the document");
  notes.push_back(
      "Page 2, Chart2: its chart (a stored picture of 9 bytes) is not carried into the document");
  notes.push_back(
      "Page 2, Ole1: its embedded OLE object (14 bytes) is not carried into the document");
  EXPECT_EQ(o.Notes, notes);

  pugi::xml_document xml;
  const pugi::xml_parse_result parsed = xml.load_file((Dir / "r.kv3").c_str());
  ASSERT_TRUE(parsed) << parsed.description();
  const pugi::xml_node report = xml.child("TkvxReport");
  const pugi::xml_node page1 = report.find_child_by_attribute("Name", "Page1");
  const pugi::xml_node page2 = report.find_child_by_attribute("Name", "Page2");
  ASSERT_TRUE(page1 && page2);
  std::map<std::string, int> classes;
  for (const pugi::xml_node& element : page1.children()) ++classes[element.name()];
  // Bands of types 18, 19, 20 and 22 have no element; 4 headers and 3 footers share classes.
  EXPECT_EQ(classes, (std::map<std::string, int>{{"TkvxReportTitle", 1},
                                                 {"TkvxReportSummary", 1},
                                                 {"TkvxPageHeader", 1},
                                                 {"TkvxPageFooter", 1},
                                                 {"TkvxHeader", 3},
                                                 {"TkvxMasterData", 1},
                                                 {"TkvxFooter", 3},
                                                 {"TkvxDetailData", 1},
                                                 {"TkvxSubDetailData", 1},
                                                 {"TkvxOverlay", 1},
                                                 {"TkvxColumnHeader", 1},
                                                 {"TkvxColumnFooter", 1},
                                                 {"TkvxGroupHeader", 1},
                                                 {"TkvxGroupFooter", 1},
                                                 {"TkvxChild", 1},
                                                 {"TkvxMemoView", 4},
                                                 {"TkvxPictureView", 5},
                                                 {"TkvxLineView", 1},
                                                 {"TkvxSubreport", 1}}));
  auto e = ByName(page1);

  // Bands: a master data band on a report dataset, a detail band on a record count, a subdetail
  // band on a component that is no dataset, a group header with its condition.
  EXPECT_STREQ(e["Band6"].attribute("DataSetName").value(), "kvUserDataset1");
  EXPECT_FALSE(e["Band9"].attribute("DataSetName"));
  EXPECT_FALSE(e["Band12"].attribute("DataSetName"));
  EXPECT_STREQ(e["Band17"].attribute("Condition").value(), "[Orders.\"Region\"] <> \"\"");
  EXPECT_STREQ(e["Band3"].attribute("ReprintOnNewPage").value(), "True");
  EXPECT_STREQ(e["Band4"].attribute("PrintOnFirstPage").value(), "False");
  EXPECT_FALSE(e["Band6"].attribute("Left"));
  EXPECT_STREQ(e["Band6"].attribute("Columns").value(), version >= 24 ? "2" : "1");

  // Memos: alignment, highlight and formats.
  EXPECT_STREQ(e["Memo2"].attribute("HAlign").value(), "1");
  EXPECT_STREQ(e["Memo2"].attribute("VAlign").value(), "2");
  EXPECT_STREQ(e["Memo2"].attribute("Rotation").value(), "90");
  EXPECT_STREQ(e["Memo2"].attribute("Highlight.Condition").value(), "[Total] > 100");
  EXPECT_STREQ(e["Memo2"].attribute("DisplayFormat.Kind").value(), "fkNumeric");
  EXPECT_STREQ(e["Memo2"].attribute("DisplayFormat.DecimalSeparator").value(), ",");
  EXPECT_STREQ(e["Memo2"].attribute("DisplayFormat.FormatStr").value(), "%2.2n");
  EXPECT_STREQ(e["Memo3"].attribute("DisplayFormat.FormatStr").value(), "dd mmmm yyyy");
  EXPECT_STREQ(e["Memo1"].attribute("Font.Height").value(), "-13");
  EXPECT_STREQ(e["Memo4"].attribute("Memo.text").value(), "Long text & \"quotes\"\r\n");
  // Files of version 21 wrap every memo.
  EXPECT_EQ(std::string(e["Memo3"].attribute("WordWrap").value()), version == 21 ? "" : "False");

  // Pictures keep their graphic's bytes. The empty one names a field of a report dataset, which
  // is no database table, so no data field is written.
  EXPECT_FALSE(e["Picture1"].attribute("Picture.Propdata"));
  EXPECT_FALSE(e["Picture1"].attribute("DataSet"));
  EXPECT_STREQ(e["Picture5"].attribute("Picture.Propdata").value(), "FFD8FFE06A706567");

  EXPECT_STREQ(e["Line1"].attribute("Left").value(), "-18");
  EXPECT_STREQ(e["SubReport1"].attribute("Page").value(), "Page2");

  // One object of every add-in class of report pages.
  std::map<std::string, int> addIns;
  for (const pugi::xml_node& element : page2.children()) ++addIns[element.name()];
  EXPECT_EQ(addIns, (std::map<std::string, int>{{"TkvxMemoView", 1},
                                                {"TkvxCrossView", 1},
                                                {"TkvxRoundRectView", 1},
                                                {"TkvxChartView", 2},
                                                {"TkvxBarCodeView", 1},
                                                {"TkvxShapeView", 1},
                                                {"TkvxCheckBoxView", 1},
                                                {"TkvxRichView", 1},
                                                {"TkvxOLEView", 1}}));
  auto a = ByName(page2);
  EXPECT_STREQ(a["Cross1"].attribute("Memo.text").value(),
               "kvUserDataset1\r\nRegion;\r\nYear+;\r\nAmount+;\r\n");
  EXPECT_STREQ(a["RoundRect1"].attribute("Memo.text").value(), "Boxed text\r\n");
  // The barcode's older zoom of 3 is 1.5 today.
  EXPECT_STREQ(a["Bar1"].attribute("Text").value(), "4006381333931");
  EXPECT_STREQ(a["Bar1"].attribute("BarType").value(), "14");
  EXPECT_STREQ(a["Bar1"].attribute("Rotation").value(), "90");
  EXPECT_STREQ(a["Bar1"].attribute("Zoom").value(), "1.5");
  EXPECT_STREQ(a["Shape1"].attribute("Shape").value(), "2");
  // Files before version 24 hold no check style or colour.
  EXPECT_STREQ(a["Check1"].attribute("CheckStyle").value(), version >= 24 ? "1" : "0");
  EXPECT_STREQ(a["Check1"].attribute("CheckColor").value(), version >= 24 ? "255" : "0");
  EXPECT_STREQ(a["Check1"].attribute("Text").value(), "kvUserDataset1.\"Paid\"");
  // The rich text's RTF, after the property name "RichEdit" and its binary length.
  const std::string rtf = "{\\rtf1\\ansi Rich \\b text\\b0\\par}";
  std::string hex =
      "085269636845646974"
      "0A";
  char length[9];
  std::snprintf(length, sizeof length, "%02X000000", static_cast<unsigned>(rtf.size()));
  hex += length;
  for (unsigned char c : rtf) {
    char digits[3];
    std::snprintf(digits, sizeof digits, "%02X", c);
    hex += digits;
  }
  EXPECT_EQ(a["Rich1"].attribute("Propdata").value(), hex);
  EXPECT_STREQ(a["Rich1"].attribute("AllowExpressions").value(), "False");
  EXPECT_TRUE(a.count("Chart1") && a.count("Chart2") && a.count("Ole1"));
}

INSTANTIATE_TEST_SUITE_P(Versions, FamilyReportsTest, ::testing::Range(21, 26));

}  // namespace
}  // namespace kv
