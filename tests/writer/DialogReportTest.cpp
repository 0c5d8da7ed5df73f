// A report whose dialog page holds every control and every database object of the three access
// layers converts into a well-formed document with one element per object, and the window's
// report run writes the same document as the command line's driver.
#include <gtest/gtest.h>

#include <map>
#include <pugixml.hpp>
#include <string>

#include "DialogReport.h"
#include "app/Workbench.h"
#include "support/RecordingReportPrompter.h"
#include "support/ScriptedPrompter.h"
#include "support/TempDir.h"
#include "writer/Conversion.h"
#include "writer/ReportHost.h"

namespace kv {
namespace {

TEST(DialogReportTest, EveryDialogObjectConvertsTheSameFromBothPrograms) {
  test::TTempDir dir;
  const std::string path = dir.Write("d.kvf", test::DialogReport());

  // The command line's way: the driver on a report host.
  std::string fromDriver;
  {
    TConversionContext hostContext;
    TReportHost host{hostContext};
    test::TRecordingPrompter prompter;
    const TConversionOutcome o = ConvertReportFile(host, path, prompter);
    ASSERT_TRUE(o.Written()) << o.Problem;
    EXPECT_TRUE(o.Messages.empty()) << o.Messages.front();
    fromDriver = dir.Read("d.kv3");
  }
  pugi::xml_document xml;
  ASSERT_TRUE(xml.load_string(fromDriver.c_str()));
  const pugi::xml_node page =
      xml.child("TkvxReport").find_child_by_attribute("TkvxDialogPage", "Name", "Page2");
  ASSERT_TRUE(page);
  std::map<std::string, int> elements;
  for (const pugi::xml_node& element : page.children()) ++elements[element.name()];
  std::map<std::string, int> expected;
  for (const TkvAddInObjectInfo& info : AddIns()) {
    if (info.IsControl) ++expected[ElementNameOf(info.Class->Name)];
  }
  EXPECT_EQ(expected.size(), 19u);
  EXPECT_EQ(elements, expected);

  // The window's way: the workbench's report run on the same file.
  dir.Write("d.kv3", "");
  test::TScriptedPrompter prompter;
  TfrmMain window(prompter, dir / "kv3converter.ini");
  window.AddFilesRep(path);
  window.btnConvertRepClick();
  EXPECT_EQ(window.SearchListReport.Rows[0].Outcome->Problem, "");
  EXPECT_EQ(dir.Read("d.kv3"), fromDriver);
}

}  // namespace
}  // namespace kv
