// The display list of page pictures, without Qt: reports made byte by byte from the file layout
// give their objects at the places, with the texts, fonts, kinds and notes the file holds; every
// file version, the dialog report and the example reports build.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <pugixml.hpp>
#include <string>

#include "DialogReport.h"
#include "FamilyReports.h"
#include "legacy/Context.h"
#include "legacy/Report.h"
#include "objects/Memo.h"
#include "objects/RichText.h"
#include "support/RecordingReportPrompter.h"
#include "support/TempDir.h"
#include "writer/Conversion.h"
#include "writer/PagePicture.h"
#include "writer/PageSvg.h"
#include "writer/ReportHost.h"

namespace kv {
namespace {

using test::TFamilyReport;
using test::TRecordingPrompter;
using test::TTempDir;

const TPictureItem& ItemNamed(const TPagePicture& page, const std::string& name) {
  for (const TPictureItem& item : page.Items) {
    if (item.Name == name) return item;
  }
  ADD_FAILURE() << "no item " << name << " on page " << page.Number;
  static const TPictureItem none;
  return none;
}

class PagePictureTest : public ::testing::Test {
 protected:
  TTempDir Dir;
  TConversionContext HostContext;
  TReportHost Host{HostContext};
  TRecordingPrompter Prompter;

  // The pictures of a file after its conversion, with the conversion's notes.
  std::vector<TPagePicture> Convert(const std::string& bytes, TConversionOutcome& outcome) {
    const std::string path = Dir.Write("r.kvf", bytes);
    outcome = ConvertReportFile(Host, path, Prompter);
    EXPECT_TRUE(outcome.Written()) << outcome.Problem;
    return BuildPagePictures(Host.Report(), &outcome);
  }
};

TEST_F(PagePictureTest, ObjectsOfTheFileAtTheirPlacesWithWhatTheyShow) {
  TConversionOutcome outcome;
  const std::vector<TPagePicture> pages = Convert(TFamilyReport(25).Bytes(), outcome);
  ASSERT_EQ(pages.size(), 2u);
  const TPagePicture& first = pages[0];
  // A4 portrait; margins of 38 pixels on every side.
  EXPECT_FALSE(first.Dialog);
  EXPECT_FALSE(first.Landscape);
  EXPECT_EQ(first.PaperSize, 9);
  EXPECT_NEAR(static_cast<double>(first.PaperWidth) / first.PixelsPerInch, 210 / 25.4, 0.02);
  EXPECT_NEAR(static_cast<double>(first.PaperHeight) / first.PixelsPerInch, 297 / 25.4, 0.02);
  EXPECT_EQ(first.MarginLeft, 38);
  EXPECT_EQ(first.MarginTop, 38);
  EXPECT_EQ(first.MarginRight, first.PaperWidth - 38);
  EXPECT_EQ(first.MarginBottom, first.PaperHeight - 38);

  // Bands of every type, labelled with their type.
  ASSERT_EQ(first.Bands.size(), 23u);
  EXPECT_EQ(first.Bands[0].TypeName, "Report title");
  EXPECT_EQ(first.Bands[5].TypeName, "Master data");
  EXPECT_EQ(first.Bands[5].Name, "Band6");
  EXPECT_EQ(first.Bands[5].Rect, (TPictureRect{0, 100, 700, 18}));

  const TPictureItem& memo1 = ItemNamed(first, "Memo1");
  EXPECT_EQ(memo1.Kind, TPictureItemKind::Memo);
  EXPECT_EQ(memo1.ClassName, "TkvMemoView");
  EXPECT_EQ(memo1.Rect, (TPictureRect{40, 10, 200, 18}));
  EXPECT_EQ(memo1.Text, "Hello [Name]");
  EXPECT_EQ(memo1.Font.Name, "Arial");
  EXPECT_EQ(memo1.Font.PixelSize, 13);  // 10 points at 96 pixels per inch
  EXPECT_TRUE(memo1.WordWrap);
  EXPECT_FALSE(memo1.Filled);  // the file's fill is transparent
  // Memo2: alignment 0x1D is right, vertical centre, bottom bit set; style 2 is bold.
  const TPictureItem& memo2 = ItemNamed(first, "Memo2");
  EXPECT_EQ(memo2.HorizontalAlign, 1);
  EXPECT_EQ(memo2.VerticalAlign, 2);
  EXPECT_EQ(memo2.Rotation, 90);
  EXPECT_EQ(memo2.Font.Name, "Tahoma");
  EXPECT_TRUE(memo2.Font.Bold);
  EXPECT_EQ(memo2.Font.Color, 0u);

  // Pictures: the stored bytes and their kind.
  EXPECT_EQ(ItemNamed(first, "Picture1").ImageKind, TPictureImageKind::None);
  const TPictureItem& bitmap = ItemNamed(first, "Picture2");
  EXPECT_EQ(bitmap.Kind, TPictureItemKind::Picture);
  EXPECT_EQ(bitmap.ImageKind, TPictureImageKind::Bitmap);
  EXPECT_EQ(bitmap.ImageBytes.substr(0, 2), "BM");
  EXPECT_EQ(bitmap.ImageBytes.size(), 20u);
  EXPECT_EQ(ItemNamed(first, "Picture3").ImageKind, TPictureImageKind::Metafile);
  EXPECT_EQ(ItemNamed(first, "Picture4").ImageKind, TPictureImageKind::Icon);
  EXPECT_EQ(ItemNamed(first, "Picture5").ImageKind, TPictureImageKind::Jpeg);
  EXPECT_EQ(ItemNamed(first, "Line1").Kind, TPictureItemKind::Line);
  EXPECT_EQ(ItemNamed(first, "Line1").Rect, (TPictureRect{20, 0, 0, 400}));
  EXPECT_EQ(ItemNamed(first, "SubReport1").Kind, TPictureItemKind::Box);

  const TPagePicture& second = pages[1];
  EXPECT_EQ(ItemNamed(second, "Memo5").Text, "On the second page");
  const TPictureItem& bar = ItemNamed(second, "Bar1");
  EXPECT_EQ(bar.Kind, TPictureItemKind::Barcode);
  EXPECT_EQ(bar.BarText, "4006381333931");
  EXPECT_EQ(bar.Rotation, 90);
  EXPECT_DOUBLE_EQ(bar.Zoom, 1.5);
  EXPECT_TRUE(bar.ShowText);
  EXPECT_TRUE(bar.Problem.empty()) << bar.Problem;
  // EAN-13: 95 modules in 59 elements (3 + 6 * 4 + 5 + 6 * 4 + 3).
  EXPECT_EQ(bar.BarPattern.size(), 59u);
  const TPictureItem& shape = ItemNamed(second, "Shape1");
  EXPECT_EQ(shape.Kind, TPictureItemKind::Shape);
  EXPECT_EQ(shape.ShapeKind, 2);
  const TPictureItem& check = ItemNamed(second, "Check1");
  EXPECT_EQ(check.Kind, TPictureItemKind::CheckBox);
  EXPECT_TRUE(check.Checked);  // a data field: the designer shows the mark
  EXPECT_EQ(check.CheckStyle, 1);
  EXPECT_EQ(check.CheckColor, 0xFF0000u);  // red, stored as 0x0000FF
  EXPECT_EQ(check.FrameSides, 15u);
  EXPECT_EQ(ItemNamed(second, "Rich1").Text, "Rich text");
  const TPictureItem& round = ItemNamed(second, "RoundRect1");
  EXPECT_EQ(round.Kind, TPictureItemKind::Memo);
  EXPECT_EQ(round.Text, "Boxed text");
  EXPECT_EQ(round.RoundSize, 10);
  for (const char* box : {"Cross1", "Chart1", "Chart2", "Ole1"}) {
    EXPECT_EQ(ItemNamed(second, box).Kind, TPictureItemKind::Box) << box;
  }
}

TEST_F(PagePictureTest, NotesGoToTheirObjectsAndTheLegendOfTheirPage) {
  TConversionOutcome outcome;
  const std::vector<TPagePicture> pages = Convert(TFamilyReport(25).Bytes(), outcome);
  ASSERT_EQ(pages.size(), 2u);
  // Every note of the outcome is in the legend of the page it names, and nowhere else.
  std::size_t legend = 0;
  for (const TPagePicture& page : pages) legend += page.Notes.size();
  EXPECT_EQ(legend, outcome.Notes.size());
  const TPictureItem& memo4 = ItemNamed(pages[0], "Memo4");
  ASSERT_EQ(memo4.Notes.size(), 2u);  // word break, character set
  EXPECT_EQ(pages[0].Notes[static_cast<std::size_t>(memo4.Notes[0]) - 1],
            "Page 1, Memo4: word break is not carried into the document");
  EXPECT_TRUE(ItemNamed(pages[0], "Memo1").Notes.empty());
  // A note on a band marks its strip.
  ASSERT_EQ(pages[0].Bands[8].Name, "Band9");
  ASSERT_EQ(pages[0].Bands[8].Notes.size(), 1u);
  EXPECT_NE(pages[0].Notes[static_cast<std::size_t>(pages[0].Bands[8].Notes[0]) - 1].find(
                "record count 5"),
            std::string::npos);
  EXPECT_FALSE(ItemNamed(pages[1], "Cross1").Notes.empty());
  for (const std::string& note : pages[1].Notes) EXPECT_TRUE(note.starts_with("Page 2, ")) << note;
}

// Every file version, the report of every dialog class and the example reports build a picture
// of each page with an item or strip for every object.
TEST_F(PagePictureTest, EveryVersionAndExampleBuilds) {
  std::vector<std::pair<std::string, std::string>> files;
  for (int version = 21; version <= 25; ++version) {
    files.emplace_back("version " + std::to_string(version), TFamilyReport(version).Bytes());
  }
  files.emplace_back("dialog report", test::DialogReport());
  for (const auto& entry :
       std::filesystem::recursive_directory_iterator(KV_EXAMPLES_DIR "/reports")) {
    if (entry.path().extension() != ".kvf") continue;
    files.emplace_back(entry.path().string(), Dir.Read(entry.path().string()));
  }
  Prompter.Password = "kolvex";  // of the protected example
  for (const auto& [label, bytes] : files) {
    SCOPED_TRACE(label);
    TConversionOutcome outcome;
    const std::vector<TPagePicture> pages = Convert(bytes, outcome);
    const TkvReport& report = Host.Report();
    ASSERT_EQ(pages.size(), static_cast<std::size_t>(report.Pages.Count()));
    for (const TPagePicture& page : pages) {
      const TkvPage& model = report.Pages.Item(page.Number - 1);
      EXPECT_EQ(page.Items.size() + page.Bands.size(), model.ObjectList.size());
      EXPECT_GT(page.PaperWidth, 0);
      EXPECT_GT(page.PaperHeight, 0);
      EXPECT_EQ(page.Dialog, model.PageType == ptDialog);
      for (const TPictureItem& item : page.Items) {
        EXPECT_TRUE(item.Problem.empty()) << item.Name << ": " << item.Problem;
        for (int note : item.Notes) {
          EXPECT_GE(note, 1);
          EXPECT_LE(static_cast<std::size_t>(note), page.Notes.size());
        }
      }
      // JSON form of every page: an object with the page's items.
      const std::string json = PagePictureJson(page);
      EXPECT_TRUE(json.starts_with("{\"number\":" + std::to_string(page.Number)));
      // SVG form (the summary's pictures): well-formed, the page's size, every memo's first line.
      const std::string svg = PagePictureSvg(page);
      pugi::xml_document document;
      ASSERT_TRUE(document.load_string(svg.c_str())) << svg.substr(0, 200);
      EXPECT_EQ(document.document_element().attribute("width").as_llong(), page.PaperWidth);
      for (const TPictureItem& item : page.Items) {
        if (item.Kind != TPictureItemKind::Memo || item.Text.empty()) continue;
        const std::string first = item.Text.substr(0, item.Text.find('\n'));
        EXPECT_FALSE(document.find_node([&](pugi::xml_node node) {
                               return std::string(node.name()) == "tspan" &&
                                      node.text().as_string() == first;
                             }).empty() && !item.WordWrap)
            << item.Name << ": " << first;
      }
    }
  }
}

// What report texts hold cannot break the SVG: markup characters are escaped, control
// characters (not allowed in XML) become spaces, and a barcode's bars become one path.
TEST(PagePictureSvg, TextsAreEscapedAndBarsDrawn) {
  TPagePicture page;
  page.PaperWidth = 200;
  page.PaperHeight = 100;
  page.MarginRight = 190;
  page.MarginBottom = 90;
  TPictureItem memo;
  memo.Kind = TPictureItemKind::Memo;
  memo.Rect = {10, 10, 180, 20};
  memo.Text = "a<b & \"c\"\x01</svg>";
  memo.Notes = {1};
  TPictureItem bars;
  bars.Kind = TPictureItemKind::Barcode;
  bars.Rect = {10, 40, 60, 30};
  bars.BarPattern = "505A5";
  page.Items = {memo, bars};
  page.Notes = {"Page 1, Memo1: a <note>"};
  const std::string svg = PagePictureSvg(page);
  pugi::xml_document document;
  ASSERT_TRUE(document.load_string(svg.c_str())) << svg;
  const auto tspan = [&](const std::string& text) {
    return !document
                .find_node([&](pugi::xml_node node) {
                  return std::string(node.name()) == "tspan" && node.text().as_string() == text;
                })
                .empty();
  };
  EXPECT_TRUE(tspan("a<b & \"c\" </svg>")) << svg;
  EXPECT_TRUE(tspan("1. Page 1, Memo1: a <note>")) << svg;
  // Four bars (one short), each a closed sub-path.
  const pugi::xml_node path = document.find_node(
      [](pugi::xml_node node) { return std::string(node.name()) == "path"; });
  ASSERT_FALSE(path.empty());
  const std::string d = path.attribute("d").as_string();
  EXPECT_EQ(std::count(d.begin(), d.end(), 'M'), 4) << d;
}

// The dialog page shows its controls with captions, texts and checked states.
TEST_F(PagePictureTest, DialogControlsWithTheirTexts) {
  TConversionOutcome outcome;
  const std::vector<TPagePicture> pages = Convert(test::DialogReport(), outcome);
  ASSERT_EQ(pages.size(), 2u);
  const TPagePicture& dialog = pages[1];
  EXPECT_TRUE(dialog.Dialog);
  EXPECT_EQ(dialog.Caption, "Choose the period");
  EXPECT_EQ(dialog.PaperWidth, 380);
  EXPECT_EQ(dialog.PaperHeight, 300);
  const TPictureItem& label = ItemNamed(dialog, "LabelControl1");
  EXPECT_EQ(label.Kind, TPictureItemKind::Control);
  EXPECT_EQ(label.ControlKind, TPictureControlKind::Label);
  EXPECT_EQ(label.Text, "Sales from:");
  EXPECT_EQ(ItemNamed(dialog, "EditControl1").ControlKind, TPictureControlKind::Edit);
  EXPECT_EQ(ItemNamed(dialog, "EditControl1").Text, "Edit");
  EXPECT_EQ(ItemNamed(dialog, "ButtonControl1").Text, "Button");
  EXPECT_EQ(ItemNamed(dialog, "CheckBoxControl1").ControlKind, TPictureControlKind::CheckBox);
  EXPECT_FALSE(ItemNamed(dialog, "CheckBoxControl1").Checked);
}

// Texts come from the report's code page as UTF-8; the plain text of rich text keeps its
// characters, escaped or not, and leaves out the tables of the RTF.
TEST(PagePictureTexts, CodePageAndRichTextBecomeUtf8) {
  TConversionContext context(1252, '.');
  TkvReport report(context, "R");
  TkvPage& page = report.Pages.AddPage();
  page.Name = "Page1";
  auto memo = std::make_unique<TkvMemoView>(context);
  memo->Name = "Memo1";
  memo->Memo = {"Caf\xE9 \x80", "second"};
  memo->Font.Name = "Times New Roman";
  page.ObjectList.push_back(std::move(memo));
  auto rich = std::make_unique<TkvRichView>(context);
  rich->Name = "Rich1";
  rich->RichText =
      "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red255\\green0\\blue0;}"
      "{\\*\\generator Writer;}Caf\\'e9 \\u8364? \\{ok\\}\\par Line2\\tab end}";
  page.ObjectList.push_back(std::move(rich));
  const std::vector<TPagePicture> pages = BuildPagePictures(report);
  ASSERT_EQ(pages.size(), 1u);
  ASSERT_EQ(pages[0].Items.size(), 2u);
  EXPECT_EQ(pages[0].Items[0].Text, "Caf\xC3\xA9 \xE2\x82\xAC\nsecond");
  EXPECT_EQ(pages[0].Items[0].Font.Name, "Times New Roman");
  EXPECT_EQ(pages[0].Items[1].Text, "Caf\xC3\xA9 \xE2\x82\xAC {ok}\nLine2\tend");
}

}  // namespace
}  // namespace kv
