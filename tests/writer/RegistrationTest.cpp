// The start-up of the report library fills the add-in registry with every family, in the order
// the families start up, so that the designer's toolbar and any file read later find them.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <pugixml.hpp>
#include <string>
#include <vector>

#include "legacy/Context.h"
#include "legacy/Factory.h"
#include "legacy/Report.h"
#include "support/RecordingReportPrompter.h"
#include "support/ViewProbes.h"

namespace kv {
namespace {

struct TEntry {
  const char* Class;
  const char* Hint;
  bool IsControl;
};

// The add-ins the library registers at start-up, in order.
const std::vector<TEntry>& LibraryAddIns() {
  static const std::vector<TEntry> entries = {
      {"TkvLabelControl", "55450", true},
      {"TkvEditControl", "55451", true},
      {"TkvMemoControl", "55452", true},
      {"TkvButtonControl", "55453", true},
      {"TkvCheckBoxControl", "55454", true},
      {"TkvRadioButtonControl", "55455", true},
      {"TkvListBoxControl", "55456", true},
      {"TkvComboBoxControl", "55457", true},
      {"TkvDateEditControl", "55458", true},
      {"TkvDBLookupControl", "55473", true},
      {"TkvDBXTable", "55471", true},
      {"TkvDBXQuery", "55472", true},
      {"TkvDBXDatabase", "55470", true},
      {"TkvIBXTable", "55471", true},
      {"TkvIBXQuery", "55472", true},
      {"TkvIBXDatabase", "55470", true},
      {"TkvADOTable", "55471", true},
      {"TkvADOQuery", "55472", true},
      {"TkvADODatabase", "55470", true},
      // The cross-tab's hint is the message text itself, unlike every other family's.
      {"TkvCrossView", "Insert Cross-tab object", false},
      {"TkvRoundRectView", "55344", false},
      {"TkvChartView", "55225", false},
      {"TkvBarCodeView", "55338", false},
      {"TkvShapeView", "55226", false},
      {"TkvCheckBoxView", "55224", false},
      {"TkvRichView", "55223", false},
      {"TkvOLEView", "55222", false},
  };
  return entries;
}

TEST(RegistrationTest, TheRegistryHoldsEveryAddInInStartUpOrder) {
  const std::vector<TEntry>& expected = LibraryAddIns();
  const std::vector<TkvAddInObjectInfo> addIns = AddIns();
  ASSERT_GE(addIns.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(expected[i].Class);
    EXPECT_EQ(addIns[i].Class->Name, expected[i].Class);
    EXPECT_EQ(addIns[i].Hint, expected[i].Hint);
    EXPECT_EQ(addIns[i].IsControl, expected[i].IsControl);
    // The factory makes each by name, as an add-in.
    TConversionContext context;
    const auto object = CreateReportObject(context, TypeAddIn, expected[i].Class);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->ClassName(), expected[i].Class);
    EXPECT_EQ(object->TypeCode, TypeAddIn);
  }
}

// A report made with one object of every class the factory knows, the add-ins of report pages on
// a report page and the controls and database components on a dialog page, is written in the
// legacy layout, read back whole, written again to the same bytes, and converts into a
// well-formed document with an element for every object. A family added later is covered here
// without a test of its own.
TEST(RegistrationTest, OneObjectOfEveryClassGoesThroughAReportFileIntoTheDocument) {
  test::TRecordingPrompter prompter;
  TConversionContext reportContext;
  TkvReport report{reportContext};
  report.Prompter = &prompter;
  report.Pages.AddPage();
  TkvPage& dialog = report.Pages.AddPage();
  dialog.PageType = ptDialog;
  std::vector<std::pair<int, std::string>> made;  // page and class of every object, in order
  const auto add = [&](std::unique_ptr<TkvView> object, int page) {
    ASSERT_NE(object, nullptr);
    object->Name = object->ClassName().substr(3) + "1";
    made.emplace_back(page, object->ClassName());
    report.Pages.Item(page).ObjectList.push_back(std::move(object));
  };
  for (int typeCode = TypeMemo; typeCode <= TypeLine; ++typeCode) {
    add(CreateReportObject(reportContext, typeCode, ""), 0);
  }
  for (const TEntry& entry : LibraryAddIns()) {
    add(CreateReportObject(reportContext, TypeAddIn, entry.Class), entry.IsControl ? 1 : 0);
  }

  TMemoryStream first;
  report.SaveReportStream(first);
  TConversionContext loadedContext;
  TkvReport loaded{loadedContext};
  loaded.Prompter = &prompter;
  TMemoryStream in(first.Bytes());
  loaded.LoadReportStream(in);
  ASSERT_TRUE(loaded.LastLoad.Read());
  EXPECT_TRUE(loaded.LastLoad.Skipped.empty());
  EXPECT_TRUE(prompter.Messages.empty());
  std::vector<std::pair<int, std::string>> read;
  for (int page = 0; page < 2; ++page) {
    for (const auto& object : loaded.Pages.Item(page).ObjectList) {
      read.emplace_back(page, object->ClassName());
    }
  }
  // Read page by page.
  std::stable_sort(made.begin(), made.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  EXPECT_EQ(read, made);
  TMemoryStream second;
  loaded.SaveReportStream(second);
  // The same bytes, short of the time of the last change that ends the file.
  const std::size_t stamp = sizeof(double);
  ASSERT_EQ(second.Bytes().size(), first.Bytes().size());
  EXPECT_EQ(second.Bytes().substr(0, first.Bytes().size() - stamp),
            first.Bytes().substr(0, first.Bytes().size() - stamp));

  const std::string document = test::DocumentOf(loaded);
  pugi::xml_document xml;
  const pugi::xml_parse_result parsed = xml.load_buffer(document.data(), document.size());
  ASSERT_TRUE(parsed) << parsed.description();
  std::map<std::string, std::string> elements;  // object name to element name
  for (const pugi::xml_node& page : xml.child("TkvxReport").children()) {
    for (const pugi::xml_node& element : page.children()) {
      elements[element.attribute("Name").value()] = element.name();
    }
  }
  for (const auto& [page, className] : made) {
    SCOPED_TRACE(className);
    const std::string name = className.substr(3) + "1";
    ASSERT_TRUE(elements.count(name));
  }
}

}  // namespace
}  // namespace kv
