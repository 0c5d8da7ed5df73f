// The named properties of pages: which names each kind of page lists, and what the names that
// both kinds share mean on each.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "legacy/Context.h"
#include "legacy/Page.h"
#include "legacy/Report.h"

namespace kv {
namespace {

std::vector<std::string> Declared(TkvPage& page) {
  page.PropList.clear();
  page.DeclareProperties();
  std::vector<std::string> names;
  for (const auto& property : page.PropList) names.push_back(property->Name);
  return names;
}

TEST(PageTest, EachKindOfPageListsItsOwnNamesInOrder) {
  TConversionContext context;
  TkvReport report(context);
  TkvPage& page = report.Pages.AddPage();
  EXPECT_EQ(Declared(page),
            (std::vector<std::string>{"Name", "Type", "Size", "Width", "Height", "Orientation",
                                      "LeftMargin", "TopMargin", "RightMargin", "BottomMargin",
                                      "StretchToPrintable", "PrintToPrevPage", "Columns",
                                      "ColumnGap", "OnBeforePrint", "Visible"}));
  page.AssignProperty("type", std::int64_t{ptDialog});
  EXPECT_EQ(Declared(page), (std::vector<std::string>{"Name", "Type", "BorderStyle", "Caption",
                                                      "Color", "Left", "Top", "Width", "Height",
                                                      "Position", "OnActivate", "Visible"}));
  const TkvPropRec* border = page.FindProperty("BorderStyle");
  ASSERT_NE(border, nullptr);
  EXPECT_EQ(border->EnumNames, (std::vector<std::string>{"bsDialog", "bsSizeable"}));
  EXPECT_EQ(border->EnumValues, (std::vector<TVariant>{std::int64_t{3}, std::int64_t{2}}));
}

// Width and Height are the paper's on a report page (setting one picks a custom paper, id 256)
// and the form's on a dialog page; names compare ignoring case; the script reads under both
// event names; margins switched off read as StretchToPrintable.
TEST(PageTest, SharedNamesFollowTheKindOfPage) {
  TConversionContext context;
  TkvReport report(context);
  TkvPage& page = report.Pages.AddPage();
  page.AssignProperty("WIDTH", std::int64_t{1500});
  EXPECT_EQ(page.Size, 256);
  EXPECT_EQ(page.PaperWidth, 1500);
  EXPECT_EQ(page.QueryProperty("width"), TVariant{std::int64_t{1500}});
  EXPECT_EQ(page.Width, 380);  // the form's width is untouched
  page.AssignProperty("StretchToPrintable", true);
  EXPECT_FALSE(page.MarginsOn);
  EXPECT_EQ(page.QueryProperty("stretchtoprintable"), TVariant{true});
  page.ScriptLines = {"a;", "b;"};
  EXPECT_EQ(page.QueryProperty("OnActivate"), TVariant{std::string("a;\r\nb;")});
  EXPECT_EQ(page.QueryProperty("OnBeforePrint"), TVariant{std::string("a;\r\nb;")});
  page.AssignProperty("ColumnWidth", std::int64_t{77});
  EXPECT_EQ(page.QueryProperty("ColumnWidth"), TVariant{std::int64_t{77}});
  EXPECT_EQ(page.QueryProperty("NoSuchName"), TVariant{});

  page.AssignProperty("Type", std::int64_t{ptDialog});
  page.AssignProperty("Height", std::int64_t{222});
  EXPECT_EQ(page.Height, 222);
  EXPECT_EQ(page.QueryProperty("Height"), TVariant{std::int64_t{222}});
  EXPECT_EQ(page.PaperWidth, 1500);  // the paper is untouched
  page.AssignProperty("caption", std::string("Ask"));
  EXPECT_EQ(page.QueryProperty("Caption"), TVariant{std::string("Ask")});
}

}  // namespace
}  // namespace kv
