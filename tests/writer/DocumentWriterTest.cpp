// The document writer: whole documents of small reports compared with their expected text, the
// script procedures, the password shift, the millimetre conversion, the property block with
// report datasets and variables, and the well-formedness (XML 1.0, UTF-8) of every document.
#include <gtest/gtest.h>

#include <pugixml.hpp>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/CodePage.h"
#include "base/DocumentText.h"
#include "data/Datasets.h"
#include "legacy/Context.h"
#include "legacy/Report.h"
#include "writer/DocumentWriter.h"
#include "writer/ReportHost.h"

namespace kv {
namespace {

// A view that writes only its name and coordinates, and remembers the left coordinate it saw.
class TProbeView : public TkvView {
 public:
  using TkvView::TkvView;
  std::string ClassName() const override { return "TkvProbeView"; }
  void SaveToDocument(TDocumentStream& stream) override {
    SeenLeft = Left;
    if (Fails) throw std::runtime_error("probe failed");
    if (Silent) return;
    WriteText(stream, "<" + ElementName() + " Name=\"" + EscapeName(Name) + "\"");
    WriteAttribute(stream, "Left", Left);
    WriteAttribute(stream, "Top", Top);
  }
  std::int32_t SeenLeft = -1;
  bool Fails = false;
  bool Silent = false;  // writes no element, as a band type without an element class
};

std::string Hex(std::string_view bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}

// A property name or a short text: a length byte and the bytes.
std::string Short(std::string_view text) {
  return std::string(1, static_cast<char>(text.size())) + std::string(text);
}

// One item of the Datasets collection.
std::string DatasetItem(std::string_view name) {
  return "\x01" + Short("DataSet") + "\x0D" + Short("DataSetName") + "\x06" + Short(name) +
         std::string(1, '\0');
}

// One item of the Variables collection with two short texts.
std::string VariableItem(std::string_view name, std::string_view value) {
  return "\x01" + Short("Name") + "\x06" + Short(name) + Short("Value") + "\x06" + Short(value) +
         std::string(1, '\0');
}

const std::string Nul(1, '\0');
const std::string Declaration = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n";
const std::string EmptyScript = "begin&#13;&#10;&#13;&#10;end.&#13;&#10;";
// The report datasets of the main window, in its component order.
const std::string HostDatasets = Short("Datasets") + "\x0E" + DatasetItem("kvDBDataSet1") +
                                 DatasetItem("kvUserDataset1") + DatasetItem("kvUserDataset2") +
                                 Nul;
const std::string NoVariables = Short("Variables") + "\x0E" + Nul;

// True when text is valid UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF).
bool IsValidUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto b = static_cast<unsigned char>(text[i]);
    int extra = 0;
    std::uint32_t code = 0;
    if (b < 0x80) {
      ++i;
      continue;
    } else if (b >= 0xC2 && b <= 0xDF) {
      extra = 1, code = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
      extra = 2, code = b & 0x0F;
    } else if (b >= 0xF0 && b <= 0xF4) {
      extra = 3, code = b & 0x07;
    } else {
      return false;
    }
    if (i + static_cast<std::size_t>(extra) >= text.size()) return false;
    for (int k = 1; k <= extra; ++k) {
      const auto c = static_cast<unsigned char>(text[i + k]);
      if ((c & 0xC0) != 0x80) return false;
      code = (code << 6) | (c & 0x3F);
    }
    if ((extra == 2 && code < 0x800) || (extra == 3 && code < 0x10000) || code > 0x10FFFF ||
        (code >= 0xD800 && code <= 0xDFFF)) {
      return false;
    }
    i += static_cast<std::size_t>(extra) + 1;
  }
  return true;
}

// Checks what a conforming XML 1.0 reader demands beyond what pugixml checks: valid UTF-8, and
// no control character below 32 other than tab, LF and CR, neither raw nor as a reference.
void ExpectWellFormed(const std::string& document) {
  EXPECT_TRUE(IsValidUtf8(document)) << document;
  for (std::size_t i = 0; i < document.size(); ++i) {
    const auto b = static_cast<unsigned char>(document[i]);
    EXPECT_FALSE(b < 0x20 && b != '\t' && b != '\n' && b != '\r')
        << "control byte " << int(b) << " at " << i;
    if (document.compare(i, 2, "&#") == 0) {
      const std::size_t end = document.find(';', i);
      ASSERT_NE(end, std::string::npos);
      const std::string digits = document.substr(i + 2, end - i - 2);
      const long code =
          digits[0] == 'x' ? std::stol(digits.substr(1), nullptr, 16) : std::stol(digits);
      EXPECT_TRUE(code >= 0x20 || code == 9 || code == 10 || code == 13)
          << "reference &#" << digits << "; at " << i;
    }
  }
  pugi::xml_document xml;
  const pugi::xml_parse_result parsed =
      xml.load_buffer(document.data(), document.size(), pugi::parse_default, pugi::encoding_utf8);
  EXPECT_TRUE(parsed) << parsed.description() << " at " << parsed.offset << "\n" << document;
}

pugi::xml_node Parse(pugi::xml_document& xml, const std::string& document) {
  EXPECT_TRUE(
      xml.load_buffer(document.data(), document.size(), pugi::parse_default, pugi::encoding_utf8));
  return xml.document_element();
}

// The main window with its report in a context of code page 1252 and "." as decimal separator,
// fixed report dates, and a page helper with a known paper in pixels.
class DocumentWriterTest : public ::testing::Test {
 protected:
  DocumentWriterTest() {
    Report.ReportOptions.CreateDate = 45000.5;
    Report.ReportOptions.LastChange = 45001.25;
  }

  // A report page on paper of 794 x 1123 pixels with margins of 38, 76, 100 and 5 pixels
  // (left, right, top, bottom).
  TkvPage& AddPage() {
    TkvPage& page = Report.Pages.AddPage();
    page.Metrics.PaperWidthPx = 794;
    page.Metrics.PaperHeightPx = 1123;
    page.Size = 9;
    page.Orientation = 0;
    page.LeftMargin = 38;
    page.RightMargin = 76;
    page.TopMargin = 100;
    page.BottomMargin = 5;
    page.MarginsOn = true;
    page.Columns = 1;
    page.ColumnWidth = 0;
    return page;
  }

  TProbeView& AddProbe(TkvPage& page, const std::string& name, std::int32_t left,
                       std::int32_t top) {
    auto view = std::make_unique<TProbeView>(HostContext);
    view->Name = name;
    view->Left = left;
    view->Top = top;
    TProbeView& result = *view;
    page.ObjectList.push_back(std::move(view));
    return result;
  }

  std::string Document() {
    TMemoryStream stream;
    WriteDocument(Report, stream);
    ExpectWellFormed(stream.Bytes());
    return stream.Bytes();
  }

  // The report start tag with the fixture's report options.
  static std::string ReportStart(const std::string& script, const std::string& propdata) {
    return "<TkvxReport ScriptLanguage=\"PascalScript\" ScriptText.text=\"" + script +
           "\" Propdata=\"" + Hex(propdata) +
           "\" ReportOptions.Name=\"\" ReportOptions.Author=\"\""
           " ReportOptions.Description.text=\"\" ReportOptions.CreateDate=\"45000.5\""
           " ReportOptions.LastChange=\"45001.25\" ReportOptions.VersionMajor=\"\""
           " ReportOptions.VersionMinor=\"\" ReportOptions.VersionRelease=\"\""
           " ReportOptions.VersionBuild=\"\" ReportOptions.Password=\"\">\r\n";
  }

  static constexpr const char* PageAttributes =
      " Orientation=\"poPortrait\" PaperWidth=\"220\" PaperHeight=\"311\" PaperSize=\"9\""
      " LeftMargin=\"11\" RightMargin=\"21\" TopMargin=\"28\" BottomMargin=\"1\" Columns=\"1\""
      " ColumnWidth=\"0\"";

  TConversionContext HostContext{1252, '.'};
  TReportHost Host{HostContext};
  TkvReport& Report = Host.Report();
};

TEST_F(DocumentWriterTest, TheMainWindowListsItsThreeReportDatasets) {
  std::vector<std::string> names;
  for (const TkvDataset* d : ReportDatasets(HostContext)) names.push_back(d->Name);
  EXPECT_EQ(names, (std::vector<std::string>{"kvDBDataSet1", "kvUserDataset1", "kvUserDataset2"}));
}

TEST_F(DocumentWriterTest, ReportWithoutPagesIsThreeLines) {
  EXPECT_EQ(Document(), Declaration + ReportStart(EmptyScript, HostDatasets + NoVariables) +
                            "</TkvxReport>\r\n");
}

TEST(DocumentWriterStandalone, ReportWithoutDatasetsOrVariablesHasTheShortestPropertyBlock) {
  TConversionContext reportContext;
  TkvReport report(reportContext, "Lone");
  report.ReportOptions.CreateDate = 2;
  report.ReportOptions.LastChange = 0;
  TMemoryStream stream;
  WriteDocument(report, stream);
  const std::string expected =
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
      "<TkvxReport ScriptLanguage=\"PascalScript\""
      " ScriptText.text=\"begin&#13;&#10;&#13;&#10;end.&#13;&#10;\""
      " Propdata=\"0844617461736574730E00095661726961626C65730E00\""
      " ReportOptions.Name=\"\" ReportOptions.Author=\"\" ReportOptions.Description.text=\"\""
      " ReportOptions.CreateDate=\"2\" ReportOptions.LastChange=\"0\""
      " ReportOptions.VersionMajor=\"\" ReportOptions.VersionMinor=\"\""
      " ReportOptions.VersionRelease=\"\" ReportOptions.VersionBuild=\"\""
      " ReportOptions.Password=\"\">\r\n"
      "</TkvxReport>\r\n";
  EXPECT_EQ(stream.Bytes(), expected);
  // The report is current only while its document is written.
  EXPECT_EQ(reportContext.Load.CurrentReport, nullptr);
}

TEST_F(DocumentWriterTest, EmptyPageIsOneSelfClosedLine) {
  AddPage();
  EXPECT_EQ(Document(), Declaration + ReportStart(EmptyScript, HostDatasets + NoVariables) +
                            "<TkvxReportPage Name=\"Page1\"" + PageAttributes + "/>\r\n" +
                            "</TkvxReport>\r\n");
}

TEST_F(DocumentWriterTest, PageWithObjectsShiftsLeftByTheLeftEdgeWhileEachWrites) {
  TkvPage& page = AddPage();
  TProbeView& first = AddProbe(page, "Probe1", 40, 7);
  TProbeView& second = AddProbe(page, "Probe2", 10, 20);
  TkvPage& second_page = AddPage();
  second_page.Orientation = 1;
  second_page.PrintToPrevPage = true;
  AddProbe(second_page, "Probe3", 38, 0);

  EXPECT_EQ(Document(),
            Declaration + ReportStart(EmptyScript, HostDatasets + NoVariables) +
                "<TkvxReportPage Name=\"Page1\"" + PageAttributes + ">\r\n" +
                "<TkvxProbeView Name=\"Probe1\" Left=\"2\" Top=\"7\"/>\r\n"
                "<TkvxProbeView Name=\"Probe2\" Left=\"-28\" Top=\"20\"/>\r\n"
                "</TkvxReportPage>\r\n"
                "<TkvxReportPage Name=\"Page2\" Orientation=\"poLandscape\" PaperWidth=\"220\""
                " PaperHeight=\"311\" PaperSize=\"9\" LeftMargin=\"11\" RightMargin=\"21\""
                " TopMargin=\"28\" BottomMargin=\"1\" Columns=\"1\" ColumnWidth=\"0\""
                " PrintOnPreviousPage=\"True\">\r\n"
                "<TkvxProbeView Name=\"Probe3\" Left=\"0\" Top=\"0\"/>\r\n"
                "</TkvxReportPage>\r\n"
                "</TkvxReport>\r\n");
  EXPECT_EQ(first.SeenLeft, 2);
  EXPECT_EQ(first.Left, 40);
  EXPECT_EQ(second.SeenLeft, -28);
  EXPECT_EQ(second.Left, 10);
}

// An object that has no element in the new format leaves no line at all, not even the closing
// characters.
TEST_F(DocumentWriterTest, ObjectWithoutAnElementLeavesNoLine) {
  TkvPage& page = AddPage();
  AddProbe(page, "Probe1", 40, 7).Silent = true;
  AddProbe(page, "Probe2", 38, 0);
  EXPECT_EQ(Document(), Declaration + ReportStart(EmptyScript, HostDatasets + NoVariables) +
                            "<TkvxReportPage Name=\"Page1\"" + PageAttributes + ">\r\n" +
                            "<TkvxProbeView Name=\"Probe2\" Left=\"0\" Top=\"0\"/>\r\n"
                            "</TkvxReportPage>\r\n"
                            "</TkvxReport>\r\n");
}

TEST_F(DocumentWriterTest, PageWithMarginsOffWritesZeroMarginsAndNoShift) {
  TkvPage& page = AddPage();
  page.MarginsOn = false;
  TProbeView& probe = AddProbe(page, "Probe1", 40, 5);
  EXPECT_EQ(Document(),
            Declaration + ReportStart(EmptyScript, HostDatasets + NoVariables) +
                "<TkvxReportPage Name=\"Page1\" Orientation=\"poPortrait\" PaperWidth=\"220\""
                " PaperHeight=\"311\" PaperSize=\"9\" LeftMargin=\"0\" RightMargin=\"0\""
                " TopMargin=\"0\" BottomMargin=\"0\" Columns=\"1\" ColumnWidth=\"0\">\r\n"
                "<TkvxProbeView Name=\"Probe1\" Left=\"40\" Top=\"5\"/>\r\n"
                "</TkvxReportPage>\r\n"
                "</TkvxReport>\r\n");
  EXPECT_EQ(probe.SeenLeft, 40);
}

TEST_F(DocumentWriterTest, DialogPageKeepsObjectCoordinates) {
  TkvPage& page = AddPage();
  page.PageType = ptDialog;
  page.Caption = "Pick \"one\" & go";
  page.ScriptLines = {"Close;"};
  TProbeView& probe = AddProbe(page, "Probe1", 40, 3);
  AddPage().PageType = ptDialog;  // empty: self-closed
  const std::string script =
      "procedure Page1OnBeforePrint(Sender: TkvxComponent);&#13;&#10;begin&#13;&#10;"
      "  with Page1, Engine do&#13;&#10;  begin&#13;&#10;Close;&#13;&#10;  end&#13;&#10;"
      "end;&#13;&#10;&#13;&#10;" +
      EmptyScript;
  EXPECT_EQ(Document(),
            Declaration + ReportStart(script, HostDatasets + NoVariables) +
                "<TkvxDialogPage Name=\"Page1\" Height=\"300\" Left=\"220\" Top=\"120\""
                " Width=\"380\" BorderStyle=\"3\" Caption=\"Pick &#34;one&#34; &#38; go\""
                " Color=\"-16777201\" Position=\"4\" OnActivate=\"Page1OnBeforePrint\">\r\n"
                "<TkvxProbeView Name=\"Probe1\" Left=\"40\" Top=\"3\"/>\r\n"
                "</TkvxDialogPage>\r\n"
                "<TkvxDialogPage Name=\"Page2\" Height=\"300\" Left=\"220\" Top=\"120\""
                " Width=\"380\" BorderStyle=\"3\" Caption=\"Form\" Color=\"-16777201\""
                " Position=\"4\"/>\r\n"
                "</TkvxReport>\r\n");
  EXPECT_EQ(probe.SeenLeft, 40);
  EXPECT_EQ(probe.Left, 40);
}

TEST_F(DocumentWriterTest, ObjectThatFailsGetsItsLeftBackAndTheErrorPropagates) {
  TkvPage& page = AddPage();
  TProbeView& probe = AddProbe(page, "Probe1", 40, 0);
  probe.Fails = true;
  TMemoryStream stream;
  EXPECT_THROW(WriteDocument(Report, stream), std::runtime_error);
  EXPECT_EQ(probe.SeenLeft, 2);
  EXPECT_EQ(probe.Left, 40);
  EXPECT_EQ(HostContext.Load.CurrentReport, nullptr);
}

TEST_F(DocumentWriterTest, ScriptsOfPagesAndObjectsBecomeProceduresInOrder) {
  TkvPage& page = AddPage();
  page.ScriptLines = {"x := 1;"};
  AddProbe(page, "Probe1", 38, 0).ScriptLines = {"begin", "  Visible := False;", "end"};
  AddProbe(page, "Probe2", 38, 0);  // no script: no procedure
  AddProbe(page, "Probe3", 38, 0).ScriptLines = {"a;", "b < c;"};
  const std::string script =
      "procedure Page1OnBeforePrint(Sender: TkvxComponent);&#13;&#10;"
      "begin&#13;&#10;  with Page1, Engine do&#13;&#10;  begin&#13;&#10;"
      "x := 1;&#13;&#10;  end&#13;&#10;end;&#13;&#10;&#13;&#10;"
      "procedure Probe1OnBeforePrint(Sender: TkvxComponent);&#13;&#10;"
      "begin&#13;&#10;  with Probe1, Engine do&#13;&#10;  begin&#13;&#10;"
      "  Visible := False;&#13;&#10;  end&#13;&#10;end;&#13;&#10;&#13;&#10;"
      "procedure Probe3OnBeforePrint(Sender: TkvxComponent);&#13;&#10;"
      "begin&#13;&#10;  with Probe3, Engine do&#13;&#10;  begin&#13;&#10;"
      "a;&#13;&#10;b &#60; c;&#13;&#10;  end&#13;&#10;end;&#13;&#10;&#13;&#10;"
      "begin&#13;&#10;&#13;&#10;end.&#13;&#10;";
  EXPECT_EQ(Document(), Declaration + ReportStart(script, HostDatasets + NoVariables) +
                            "<TkvxReportPage Name=\"Page1\"" + PageAttributes +
                            " OnBeforePrint=\"Page1OnBeforePrint\">\r\n"
                            "<TkvxProbeView Name=\"Probe1\" Left=\"0\" Top=\"0\"/>\r\n"
                            "<TkvxProbeView Name=\"Probe2\" Left=\"0\" Top=\"0\"/>\r\n"
                            "<TkvxProbeView Name=\"Probe3\" Left=\"0\" Top=\"0\"/>\r\n"
                            "</TkvxReportPage>\r\n"
                            "</TkvxReport>\r\n");
}

TEST(AddScriptProcedure, UnwrapsBeginEndBlocksAndWrapsBareStatements) {
  const std::vector<std::string> head = {"procedure P1OnBeforePrint(Sender: TkvxComponent);",
                                         "begin", "  with P1, Engine do", "  begin"};
  const struct {
    std::vector<std::string> Script;
    std::vector<std::string> Body;  // what follows the four head lines
  } cases[] = {
      {{"x;"}, {"x;", "  end", "end;", ""}},
      {{"a;", "b;"}, {"a;", "b;", "  end", "end;", ""}},
      {{"a;", "b;", "c;"}, {"a;", "b;", "c;", "  end", "end;", ""}},
      {{"begin", "s;", "end"}, {"s;", "  end", "end;", ""}},
      {{"begin", "s;", "t;", "end;"}, {"s;", "t;", "  end", "end;;", ""}},
      {{"begin", "end"}, {"  end", "end;", ""}},
      {{"begin"}, {"  end", "begin;", ""}},
      // Only the exact line "begin" opens a block.
      {{"BEGIN", "s;", "end"}, {"BEGIN", "s;", "end", "  end", "end;", ""}},
      {{" begin", "end"}, {" begin", "end", "  end", "end;", ""}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> target = {"kept"};
    AddScriptProcedure("P1", c.Script, target);
    std::vector<std::string> expected = {"kept"};
    expected.insert(expected.end(), head.begin(), head.end());
    expected.insert(expected.end(), c.Body.begin(), c.Body.end());
    EXPECT_EQ(target, expected) << c.Script.front();
  }
  std::vector<std::string> target = {"kept"};
  AddScriptProcedure("P1", {}, target);
  EXPECT_EQ(target, std::vector<std::string>{"kept"});
}

TEST(ShiftPassword, LowersEveryCodeByTenModulo256) {
  const struct {
    std::string Plain;
    std::string Shifted;
  } cases[] = {
      {"", ""},
      {"\x05", "\xFB"},
      {std::string(1, '\0'), "\xF6"},
      {"\x09", "\xFF"},
      {"\x0A", std::string(1, '\0')},
      {"k0F", "a&<"},
      {"\xFF", "\xF5"},
  };
  for (const auto& c : cases) EXPECT_EQ(ShiftPassword(c.Plain), c.Shifted) << c.Plain;
}

TEST(PixelsToMillimetres, DividesByPixelsPerMillimetreAndRoundsToNearest) {
  const struct {
    std::int32_t Pixels;
    std::int64_t Millimetres;
  } cases[] = {
      {0, 0},
      {1, 0},
      {2, 1},
      {4, 1},
      {38, 11},
      {76, 21},
      {794, 220},
      {1123, 311},
      {3000, 832},
      {-2, -1},
      {-38, -11},
      {100, 28},
      {2147483647, 595314410},
      {-2147483647 - 1, -595314410},
  };
  for (const auto& c : cases) EXPECT_EQ(PixelsToMillimetres(c.Pixels), c.Millimetres) << c.Pixels;
}

TEST_F(DocumentWriterTest, ReportOptionsAreEscapedConvertedToUtf8AndPasswordShifted) {
  HostContext.DecimalSeparator = ',';
  TReportOptions& options = Report.ReportOptions;
  options.Name = "R&D <Q1> \"best\"";
  options.Author = "Jos\xE9 d'Arc";
  options.Description = "line 1\r\nline 2\t\x01";
  options.CreateDate = 45000.5;
  options.LastChange = 45001.125;
  options.VersionMajor = "&#60;";
  options.VersionMinor = "\x80";
  options.VersionRelease = "2";
  options.VersionBuild = "";
  options.Password =
      "\x05"
      "0F";
  const std::string document = Document();
  EXPECT_EQ(document,
            Declaration + "<TkvxReport ScriptLanguage=\"PascalScript\" ScriptText.text=\"" +
                EmptyScript + "\" Propdata=\"" + Hex(HostDatasets + NoVariables) +
                "\" ReportOptions.Name=\"R&#38;D &#60;Q1&#62; &#34;best&#34;\""
                " ReportOptions.Author=\"Jos\xC3\xA9 d'Arc\""
                " ReportOptions.Description.text=\"line 1&#13;&#10;line 2&#9;\""
                " ReportOptions.CreateDate=\"45000,5\" ReportOptions.LastChange=\"45001,125\""
                " ReportOptions.VersionMajor=\"&#38;#60;\""
                " ReportOptions.VersionMinor=\"\xE2\x82\xAC\""
                " ReportOptions.VersionRelease=\"2\" ReportOptions.VersionBuild=\"\""
                " ReportOptions.Password=\"\xC3\xBB&#38;&#60;\">\r\n"
                "</TkvxReport>\r\n");

  // A reader gets the texts back as they were (in UTF-8).
  pugi::xml_document xml;
  const pugi::xml_node report = Parse(xml, document);
  EXPECT_STREQ(report.attribute("ReportOptions.Name").value(), "R&D <Q1> \"best\"");
  EXPECT_STREQ(report.attribute("ReportOptions.Author").value(), "Jos\xC3\xA9 d'Arc");
  EXPECT_STREQ(report.attribute("ReportOptions.Description.text").value(), "line 1\r\nline 2\t");
  EXPECT_STREQ(report.attribute("ReportOptions.VersionMajor").value(), "&#60;");
  EXPECT_STREQ(report.attribute("ReportOptions.Password").value(), "\xC3\xBB&<");
  EXPECT_STREQ(report.attribute("ScriptText.text").value(), "begin\r\n\r\nend.\r\n");
}

TEST_F(DocumentWriterTest, PropertyBlockListsDatasetsAndVariablesAndRewritesBoundFields) {
  // A table bound through a data source by a report dataset whose name starts with "_", and a
  // table that no report dataset reads; kvDBDataSet1 stays unbound and is passed over.
  TADOTable& customers = CreateOwned<TADOTable>(Host, "Customers");
  customers.FieldDefs.Add("Name", TFieldType::ftString, 30);
  TADOTable& orders = CreateOwned<TADOTable>(Host, "Orders");
  orders.FieldDefs.Add("Total", TFieldType::ftFloat);
  TDataSource& source = CreateOwned<TDataSource>(Host, "dsCustomers");
  source.SetDataSet(&customers);
  CreateOwned<TkvDBDataSet>(Host, "_kvCustomers").SetDataSource(&source);

  TkvVariables& variables = Report.Dictionary.VariableList;
  variables.SetVariable(" Sales", std::string());
  variables.SetVariable("Customer", std::string("Customers.\"Name\""));
  variables.SetVariable("Qualified", std::string("frmMain.Customers.\"name\""));
  variables.SetVariable("Unbound", std::string("Orders.\"Total\""));
  variables.SetVariable("NoField", std::string("Customers.\"Phone\""));
  variables.SetVariable("Count", std::int64_t{5});
  variables.SetVariable("Rate", 1.5);
  variables.SetVariable("Caf\xE9", std::string("x"));
  const std::string longValue(300, 'v');
  variables.SetVariable("Long", longValue);

  const std::string expected =
      Short("Datasets") + "\x0E" + DatasetItem("kvDBDataSet1") + DatasetItem("kvUserDataset1") +
      DatasetItem("kvUserDataset2") + DatasetItem("_kvCustomers") + Nul + Short("Variables") +
      "\x0E" + VariableItem(" Sales", "") + VariableItem("Customer", "<kvCustomers.\"Name\">") +
      VariableItem("Qualified", "<kvCustomers.\"name\">") +
      VariableItem("Unbound", "Orders.\"Total\"") + VariableItem("NoField", "Customers.\"Phone\"") +
      VariableItem("Count", "5") + VariableItem("Rate", "1.5") +
      // A text with bytes from 128 up is stored as UTF-8 (code 20, 32-bit length).
      "\x01" + Short("Name") + "\x14" + std::string("\x05\0\0\0", 4) + "Caf\xC3\xA9" +
      Short("Value") + "\x06" + Short("x") + Nul +
      // A text longer than 255 bytes has a 32-bit length (code 12).
      "\x01" + Short("Name") + "\x06" + Short("Long") + Short("Value") + "\x0C" +
      std::string("\x2C\x01\0\0", 4) + longValue + Nul + Nul;
  EXPECT_EQ(ReportPropertyBlock(Report), expected);
  EXPECT_EQ(Document(), Declaration + ReportStart(EmptyScript, expected) + "</TkvxReport>\r\n");
}

TEST_F(DocumentWriterTest, NewFormatSaveOfTheReportWritesTheDocument) {
  AddProbe(AddPage(), "Probe1", 40, 1);
  TMemoryStream direct;
  WriteDocument(Report, direct);
  TMemoryStream saved;
  Report.DocumentMode = true;
  Report.SaveReportStream(saved);
  Report.DocumentMode = false;
  EXPECT_EQ(saved.Bytes(), direct.Bytes());
}

TEST_F(DocumentWriterTest, RealViewsWithAwkwardTextsGiveWellFormedDocuments) {
  TkvPage& page = AddPage();
  auto view = std::make_unique<TkvView>(HostContext);
  view->Name = "Odd\"<&>\x01Name";
  view->Left = 40;
  view->Memo = {"a < b & c > \"d\"", "caf\xE9 \x80", std::string("nul\0byte", 8)};
  view->Tag = "\x1F tag";
  view->ScriptLines = {"begin", "  s := '<&>';", "end"};
  page.ObjectList.push_back(std::move(view));
  const std::string document = Document();
  pugi::xml_document xml;
  const pugi::xml_node element = Parse(xml, document).child("TkvxReportPage").first_child();
  EXPECT_STREQ(element.name(), "TkvxView");
  EXPECT_EQ(element.attribute("Left").as_int(), 2);
  EXPECT_STREQ(element.attribute("Memo.text").value(),
               "a < b & c > \"d\"\r\ncaf\xC3\xA9 \xE2\x82\xAC\r\nnulbyte\r\n");
}

}  // namespace
}  // namespace kv
