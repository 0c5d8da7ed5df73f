// Tests of the standard dialog controls: the common control payload and every class payload read
// from bytes built by hand and written back byte for byte, the combo box style of each record
// version, the button's modal result, the label's automatic size through a text measurer, the
// elements against text written by hand, named properties, registration, what the elements do
// not carry, and controls going through a whole report file into the document.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "LegacyBytes.h"
#include "base/DocumentText.h"
#include "base/Errors.h"
#include "dialogs/DBLookupControl.h"
#include "dialogs/DialogControls.h"
#include "dialogs/TextMeasurer.h"
#include "legacy/Context.h"
#include "legacy/Factory.h"
#include "legacy/Primitives.h"
#include "legacy/Report.h"
#include "support/RecordingReportPrompter.h"
#include "support/StateScopes.h"
#include "support/ViewProbes.h"
#include "writer/Conversion.h"

namespace kv {
namespace {

using test::DocumentOf;
using test::Reload;

using test::AfterCommonPart;
using test::Document;
using test::LoadInto;
using test::Losses;
using test::PropertyNames;
using test::Saved;

using TLines = std::vector<std::string>;
using test::TBytes;
using test::TTestContext;

// A measurer whose sizes are easy to tell: 7 pixels per character of the longest line and
// 2 pixels per point per line; a wrap width breaks the text into lines of that many pixels. It
// notes the code page it was last given.
class TFakeMeasurer : public TTextMeasurer {
 public:
  TTextSize MeasureText(std::string_view text, const TkvFont& font, std::int64_t wrapWidth,
                        int codePage) const override {
    LastCodePage = codePage;
    const auto width = static_cast<std::int64_t>(text.size()) * 7;
    std::int64_t lines = 1;
    if (wrapWidth > 0) lines = (width + wrapWidth - 1) / wrapWidth;
    return {width, lines * font.Size * 2};
  }
  mutable int LastCodePage = 0;
};

// Installs a measurer for one test and takes it away afterwards.
class TMeasurerScope {
 public:
  explicit TMeasurerScope(const TTextMeasurer* measurer) : Saved(TextMeasurer()) {
    InstallTextMeasurer(measurer);
  }
  ~TMeasurerScope() { InstallTextMeasurer(Saved); }

 private:
  const TTextMeasurer* Saved;
};

// The common record of a version-25 file with the given record version, 60 x 20 at (8, 16),
// and the common control payload: colour, enabled flag, font "Tahoma" 9 bold in blue, set 238.
TBytes ControlRecord(int major, int minor, int enabled = 1) {
  TBytes b;
  b.Str("Ctl1").Byte(major).Byte(minor);
  b.Int(8).Int(16).Int(60).Int(20).Word(1).Word(0).Int(1).Int(0).Word(0).Int(clBtnFace);
  b.Int(0x22E).Str("").Word(0).Byte(0);  // FormatCode, FormatText, Memo
  b.Word(0).Byte(0).Word(0xFFFF);        // ScriptLines, Visible
  b.Word(0).Str("").Int(2).Int(1);       // Restrictions, Tag, GapX, GapY
  if (major > 1) b.Byte(0);              // BandAlign
  b.Int(0x00C0FFEE).Byte(enabled);
  b.Str("Tahoma").Int(9).Word(0x2).Int(0xFF0000).Word(238);
  return b;
}

// The common control attributes of a default control font (8 points, window text colour).
const std::string DefaultFontAttributes =
    " Font.Name=\"MS Sans Serif\" Font.Height=\"-11\" Font.Color=\"-16777208\" Font.Style=\"0\"";

// ---- Classes and registration -------------------------------------------------------------------

TEST(DialogControlsTest, ConstructorsAndRegistration) {
  TConversionContext context;
  const struct {
    const TViewClass& Class;
    const char* Prefix;
    std::int64_t Width, Height;
    TColor Color;
    const char* Hint;
  } cases[] = {
      {TkvLabelControl::Class(), "Label", 0, 0, clBtnFace, "55450"},
      {TkvEditControl::Class(), "Edit", 121, 21, clWindow, "55451"},
      {TkvMemoControl::Class(), "Memo", 185, 89, clWindow, "55452"},
      {TkvButtonControl::Class(), "Button", 75, 25, clBtnFace, "55453"},
      {TkvCheckBoxControl::Class(), "CheckBox", 97, 17, clBtnFace, "55454"},
      {TkvRadioButtonControl::Class(), "RadioButton", 113, 17, clBtnFace, "55455"},
      {TkvListBoxControl::Class(), "ListBox", 121, 97, clWindow, "55456"},
      {TkvComboBoxControl::Class(), "ComboBox", 145, 21, clWindow, "55457"},
      {TkvDateEditControl::Class(), "DateEdit", 145, 21, clWindow, "55458"},
      {TkvDBLookupControl::Class(), "DBLookupComboBox", 145, 21, clWindow, "55473"},
  };
  // The ten follow one another in the registry, in this order, as dialog controls.
  const std::vector<TkvAddInObjectInfo> addIns = AddIns();
  std::size_t first = 0;
  while (first < addIns.size() && addIns[first].Class != &TkvLabelControl::Class()) ++first;
  ASSERT_LE(first + 10, addIns.size());
  for (std::size_t i = 0; i < 10; ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(c.Class.Name);
    EXPECT_EQ(addIns[first + i].Class, &c.Class);
    EXPECT_EQ(addIns[first + i].Hint, c.Hint);
    EXPECT_TRUE(addIns[first + i].IsControl);

    const auto object = CreateReportObject(context, TypeAddIn, c.Class.Name);
    ASSERT_NE(object, nullptr);
    auto* control = dynamic_cast<TkvStdControl*>(object.get());
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->ClassName(), c.Class.Name);
    EXPECT_EQ(control->ElementName(), "Tkvx" + c.Class.Name.substr(3));
    EXPECT_EQ(control->TypeCode, TypeAddIn);
    EXPECT_EQ(control->NamePrefix, c.Prefix);
    EXPECT_EQ(control->Width, c.Width);
    EXPECT_EQ(control->Height, c.Height);
    EXPECT_EQ(control->FillColor, clBtnFace);
    EXPECT_EQ(control->Color, c.Color);
    EXPECT_TRUE(control->Enabled);
    EXPECT_EQ(control->Font.Size, 8);
  }
  EXPECT_EQ(TkvLabelControl(context).Caption, "Label");
  EXPECT_EQ(TkvEditControl(context).Text, "Edit");
  EXPECT_EQ(TkvMemoControl(context).Text, "Memo");
  EXPECT_EQ(TkvButtonControl(context).Caption, "Button");
  EXPECT_EQ(TkvCheckBoxControl(context).Caption, "CheckBox");
  EXPECT_EQ(TkvRadioButtonControl(context).Caption, "RadioButton");
}

// ---- The record ---------------------------------------------------------------------------------

TEST(DialogControlsTest, CommonControlPayload) {
  TTestContext context(25);
  for (const int enabled : {0, 1, 7}) {
    SCOPED_TRACE(enabled);
    TBytes b = ControlRecord(2, 0, enabled);
    b.Str("text").Byte(1);  // the edit box payload
    TkvEditControl edit(context);
    ASSERT_EQ(LoadInto(edit, b.Data), 1);
    EXPECT_EQ(edit.Name, "Ctl1");
    EXPECT_EQ(edit.Width, 60);
    EXPECT_EQ(edit.Color, 0x00C0FFEE);
    EXPECT_EQ(edit.Enabled, enabled != 0);
    EXPECT_EQ(edit.Font.Name, "Tahoma");
    EXPECT_EQ(edit.Font.Size, 9);
    EXPECT_EQ(edit.Font.Style, TFontStyles{TFontStyle::fsBold});
    EXPECT_EQ(edit.Font.Color, 0xFF0000);
    EXPECT_EQ(edit.Font.Charset, 238);
    EXPECT_EQ(edit.Text, "text");
    EXPECT_TRUE(edit.ReadOnly);
  }
}

// Every class payload, read after the common parts of a version-25 record and written back byte
// for byte.
TEST(DialogControlsTest, ClassPayloadsAreReadAndWrittenBackByteForByte) {
  TTestContext context(25);
  const struct {
    const char* Class;
    int Minor;
    std::function<void(TBytes&)> Payload;
    std::function<void(TkvView&)> Check;
  } cases[] = {
      {"TkvLabelControl", 0, [](TBytes& b) { b.Byte(2).Byte(0).Str("Name:").Byte(1); },
       [](TkvView& v) {
         auto& l = dynamic_cast<TkvLabelControl&>(v);
         EXPECT_EQ(l.Alignment, taCenter);
         EXPECT_FALSE(l.AutoSize);
         EXPECT_EQ(l.Caption, "Name:");
         EXPECT_TRUE(l.WordWrap);
       }},
      {"TkvEditControl", 0, [](TBytes& b) { b.Str("abc").Byte(0); },
       [](TkvView& v) {
         auto& e = dynamic_cast<TkvEditControl&>(v);
         EXPECT_EQ(e.Text, "abc");
         EXPECT_FALSE(e.ReadOnly);
       }},
      {"TkvMemoControl", 0, [](TBytes& b) { b.Str("one\r\ntwo").Byte(1); },
       [](TkvView& v) {
         auto& m = dynamic_cast<TkvMemoControl&>(v);
         EXPECT_EQ(m.Text, "one\r\ntwo");
         EXPECT_TRUE(m.ReadOnly);
       }},
      {"TkvButtonControl", 0, [](TBytes& b) { b.Str("OK").Word(1); },
       [](TkvView& v) {
         auto& btn = dynamic_cast<TkvButtonControl&>(v);
         EXPECT_EQ(btn.Caption, "OK");
         EXPECT_EQ(btn.ModalResult, mrOk);
       }},
      {"TkvCheckBoxControl", 0, [](TBytes& b) { b.Byte(0).Byte(1).Str("Sum"); },
       [](TkvView& v) {
         auto& c = dynamic_cast<TkvCheckBoxControl&>(v);
         EXPECT_EQ(c.Alignment, taLeftJustify);
         EXPECT_TRUE(c.Checked);
         EXPECT_EQ(c.Caption, "Sum");
       }},
      {"TkvRadioButtonControl", 0, [](TBytes& b) { b.Byte(1).Byte(0).Str("A"); },
       [](TkvView& v) {
         auto& r = dynamic_cast<TkvRadioButtonControl&>(v);
         EXPECT_EQ(r.Alignment, taRightJustify);
         EXPECT_FALSE(r.Checked);
         EXPECT_EQ(r.Caption, "A");
       }},
      {"TkvListBoxControl", 0,
       [](TBytes& b) { b.Word(2).Word(1).Raw("x").Byte(13).Word(0).Byte(0); },
       [](TkvView& v) {
         EXPECT_EQ(dynamic_cast<TkvListBoxControl&>(v).Items, (TLines{"x", ""}));
       }},
      {"TkvComboBoxControl", 1, [](TBytes& b) { b.Word(1).Word(2).Raw("ab").Byte(0).Byte(3); },
       [](TkvView& v) {
         auto& c = dynamic_cast<TkvComboBoxControl&>(v);
         EXPECT_EQ(c.Items, TLines{"ab"});
         EXPECT_EQ(c.Style, csLookup);
       }},
      {"TkvDateEditControl", 0, [](TBytes& b) { b.Byte(1); },
       [](TkvView& v) { EXPECT_EQ(dynamic_cast<TkvDateEditControl&>(v).DateFormat, dfLong); }},
      {"TkvDBLookupControl", 0, [](TBytes& b) { b.Str("Nowhere.Table1").Str("ID").Str("Name"); },
       [](TkvView& v) {
         auto& d = dynamic_cast<TkvDBLookupControl&>(v);
         EXPECT_EQ(d.ListSourcePath, "Nowhere.Table1");
         EXPECT_EQ(d.ListDataSource(), nullptr);
         EXPECT_EQ(d.KeyField, "ID");
         EXPECT_EQ(d.ListField, "Name");
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Class);
    TBytes b = ControlRecord(2, c.Minor);
    c.Payload(b);
    const auto view = CreateReportObject(context, TypeAddIn, c.Class);
    ASSERT_EQ(LoadInto(*view, b.Data), 1);
    c.Check(*view);
    EXPECT_EQ(Saved(*view), b.Data);
  }
}

TEST(DialogControlsTest, RecordEndingInsideThePayloadRaises) {
  TTestContext context(25);
  TBytes b = ControlRecord(2, 0);
  b.Byte(0).Byte(1);  // the label's payload ends before its caption
  TkvLabelControl label(context);
  label.AutoSize = false;
  TMemoryStream stream(b.Data);
  EXPECT_THROW(label.LoadLegacy(stream), EReadError);
  EXPECT_EQ(label.Font.Name, "Tahoma");
}

// The style byte exists from record version 11; up to 20 its values skip the unused style 1.
TEST(DialogControlsTest, ComboBoxStyleByRecordVersion) {
  const struct {
    int FileVersion, Major, Minor;
    int StoredStyle;  // -1: no style byte
    std::uint8_t Style;
  } cases[] = {
      {25, 2, 0, 1, csDropDownList}, {25, 2, 0, 0, csDropDown},
      {25, 2, 0, 2, csLookup},       {25, 2, 1, 1, 1},
      {25, 2, 1, 3, csLookup},       {24, 1, 1, 2, csLookup},
      {24, 1, 0, -1, csDropDown},    {25, 0, 0, -1, csDropDown},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Major << "." << c.Minor << " style " << c.StoredStyle);
    TTestContext context(c.FileVersion);
    TBytes b = ControlRecord(c.Major, c.Minor);
    b.Word(1).Word(1).Raw("a").Byte(0);
    if (c.StoredStyle >= 0) b.Byte(c.StoredStyle);
    TkvComboBoxControl combo(context);
    EXPECT_EQ(LoadInto(combo, b.Data), 1);
    EXPECT_EQ(combo.Items, TLines{"a"});
    EXPECT_EQ(combo.Style, c.Style);

    // Saved as record version 21, which always holds the style as it is.
    TTestContext saving(25);
    TkvComboBoxControl again(saving);
    ASSERT_EQ(LoadInto(again, Saved(combo)), 1);
    EXPECT_EQ(again.RecordMajor, 2);
    EXPECT_EQ(again.RecordMinor, 1);
    EXPECT_EQ(again.Style, c.Style);
  }
}

TEST(DialogControlsTest, ComboBoxOfAVersion23FileHoldsNoStyle) {
  TTestContext context(23);
  TBytes b;
  b.Str("Combo1");
  b.Int(8).Int(16).Int(60).Int(20).Word(1).Word(0).Int(1).Int(0).Word(0).Int(clBtnFace);
  b.Int(0x22E).Str("").Word(0).Byte(0).Word(0).Byte(0).Word(0xFFFF);
  b.Int(clWindow).Byte(1).Str("Arial").Int(8).Word(0).Int(0).Word(1);
  b.Word(1).Word(1).Raw("a").Byte(0);
  TkvComboBoxControl combo(context);
  EXPECT_EQ(LoadInto(combo, b.Data), 1);  // the sentinel is not taken for a style
  EXPECT_EQ(combo.Name, "Combo1");
  EXPECT_EQ(combo.Items, TLines{"a"});
  EXPECT_EQ(combo.Style, csDropDown);
}

TEST(DialogControlsTest, ButtonModalResultSetsCancelAndDefault) {
  TTestContext context(25);
  const struct {
    int Stored;
    bool Cancel, Default;
  } cases[] = {{0, false, false},
               {1, false, true},
               {2, true, false},
               {3, false, false},
               {0xFFFF, false, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Stored);
    TBytes b = ControlRecord(2, 0);
    b.Str("Go").Word(c.Stored);
    TkvButtonControl button(context);
    button.Cancel = button.Default = true;
    ASSERT_EQ(LoadInto(button, b.Data), 1);
    EXPECT_EQ(button.ModalResult, c.Stored);
    EXPECT_EQ(button.Cancel, c.Cancel);
    EXPECT_EQ(button.Default, c.Default);
    // Only the modal result is written.
    EXPECT_EQ(AfterCommonPart(button),
              " Font.Name=\"Tahoma\" Font.Height=\"-12\" Font.Color=\"16711680\""
              " Font.Style=\"1\" Caption=\"Go\" ModalResult=\"" +
                  std::to_string(c.Stored) + "\"");
  }
  TkvButtonControl button(context);
  button.AssignProperty("modalresult", std::int64_t{2});
  EXPECT_TRUE(button.Cancel);
  button.AssignProperty("Default", true);
  EXPECT_TRUE(button.Cancel);
  EXPECT_TRUE(button.Default);
}

// ---- The label's size ---------------------------------------------------------------------------

TEST(DialogControlsTest, LabelWithAutomaticSizeTakesTheMeasuredSize) {
  TTestContext context(25);
  const TFakeMeasurer measurer;
  const struct {
    bool Measurer;
    int AutoSize, WordWrap;
    std::int64_t Width, Height;
  } cases[] = {
      {true, 1, 0, 35, 18},   // "Total" in 9 points
      {true, 0, 0, 60, 20},   // as stored
      {true, 1, 1, 60, 18},   // wraps within the stored width: 35 pixels fit on one line
      {false, 1, 0, 60, 20},  // nothing to measure with
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Measurer << c.AutoSize << c.WordWrap);
    TMeasurerScope scope(c.Measurer ? &measurer : nullptr);
    TBytes b = ControlRecord(2, 0);
    b.Byte(0).Byte(c.AutoSize).Str("Total").Byte(c.WordWrap);
    TkvLabelControl label(context);
    ASSERT_EQ(LoadInto(label, b.Data), 1);
    EXPECT_EQ(label.Width, c.Width);
    EXPECT_EQ(label.Height, c.Height);
  }

  TMeasurerScope scope(&measurer);
  TkvLabelControl label(context);  // a new label measures its caption "Label" in 8 points
  EXPECT_EQ(label.Width, 35);
  EXPECT_EQ(label.Height, 16);
  EXPECT_EQ(measurer.LastCodePage, 1252);
  // The caption is measured in the code page of the label's context.
  TConversionContext cyrillic(1251);
  TkvLabelControl other(cyrillic);
  EXPECT_EQ(measurer.LastCodePage, 1251);
  label.AssignProperty("Caption", std::string("Longer text"));
  EXPECT_EQ(label.Width, 77);
  label.AssignProperty("Font.Size", std::int64_t{10});
  EXPECT_EQ(label.Height, 20);
  label.AssignProperty("AutoSize", false);
  label.AssignProperty("Caption", std::string("x"));
  EXPECT_EQ(label.Width, 77);
}

// ---- The element --------------------------------------------------------------------------------

TEST(DialogControlsTest, ElementOfADisabledEditBox) {
  TConversionContext context;
  TkvEditControl edit(context);
  edit.Name = "Edit1";
  edit.Left = 10;
  edit.Top = 20;
  edit.Enabled = false;
  edit.Text = "a \"b\" & <c>";
  edit.Font.Name = "My \"Font\"";
  edit.Font.Size = 10;
  edit.Font.Style = {TFontStyle::fsItalic, TFontStyle::fsStrikeOut};
  edit.Font.Color = 255;
  EXPECT_EQ(Document(edit),
            "<TkvxEditControl Name=\"Edit1\" Left=\"10\" Top=\"20\" Width=\"121\" Height=\"21\""
            " Color=\"-16777211\" Frame.Typ=\"0\" Frame.Width=\"1\" Frame.Color=\"0\""
            " Frame.Style=\"0\" GapX=\"2\" GapY=\"1\" TagStr=\"\" Memo.text=\"\" Align=\"0\""
            " Restrictions=\"0\" Font.Name=\"My &#34;Font&#34;\" Font.Height=\"-13\""
            " Font.Color=\"255\" Font.Style=\"10\" Enabled=\"False\""
            " Text=\"a &#34;b&#34; &#38; &#60;c&#62;\" ReadOnly=\"0\"");
}

TEST(DialogControlsTest, ClassAttributesInOrder) {
  TConversionContext context;
  const struct {
    const char* Class;
    std::function<void(TkvView&)> Set;
    std::string Expected;  // after the common control attributes of the default font
  } cases[] = {
      {"TkvLabelControl",
       [](TkvView& v) {
         auto& l = dynamic_cast<TkvLabelControl&>(v);
         l.Alignment = taRightJustify;
         l.Caption = "R&D";
         l.WordWrap = true;
       },
       " Alignment=\"1\" AutoSize=\"1\" Caption=\"R&#38;D\" WordWrap=\"1\""},
      {"TkvMemoControl",
       [](TkvView& v) {
         auto& m = dynamic_cast<TkvMemoControl&>(v);
         m.Text = "a\r\nb";
         m.ReadOnly = true;
       },
       " Lines.Text=\"a&#13;&#10;b\" ReadOnly=\"1\""},
      {"TkvButtonControl", [](TkvView& v) {}, " Caption=\"Button\" ModalResult=\"0\""},
      {"TkvCheckBoxControl", [](TkvView& v) { v.AssignProperty("Checked", true); },
       " Caption=\"CheckBox\" Alignment=\"1\" Checked=\"1\""},
      {"TkvRadioButtonControl", [](TkvView& v) { v.AssignProperty("Alignment", 0); },
       " Caption=\"RadioButton\" Alignment=\"0\" Checked=\"0\""},
      {"TkvListBoxControl",
       [](TkvView& v) {
         dynamic_cast<TkvListBoxControl&>(v).Items = {"x", "<y>"};
       },
       " Items.Text=\"x&#13;&#10;&#60;y&#62;&#13;&#10;\""},
      {"TkvListBoxControl", [](TkvView& v) {}, " Items.Text=\"\""},
      {"TkvComboBoxControl",
       [](TkvView& v) {
         auto& c = dynamic_cast<TkvComboBoxControl&>(v);
         c.Items = {"a;1"};
         c.Style = csLookup;
       },
       " Items.Text=\"a;1&#13;&#10;\" Style=\"3\""},
      {"TkvDateEditControl", [](TkvView& v) { v.AssignProperty("DateFormat", 1); },
       " DateFormat=\"1\""},
      {"TkvDBLookupControl",
       [](TkvView& v) {
         auto& d = dynamic_cast<TkvDBLookupControl&>(v);
         d.ListSourcePath = "Table1";
         d.KeyField = "ID";
         d.ListField = "Name";
       },
       ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Class);
    const auto view = CreateReportObject(context, TypeAddIn, c.Class);
    c.Set(*view);
    EXPECT_EQ(AfterCommonPart(*view), DefaultFontAttributes + c.Expected);
  }
}

TEST(DialogControlsTest, ElementColorIsTheWidgetsColour) {
  TConversionContext context;
  TkvCheckBoxControl box(context);
  box.Color = 0x00FF00;
  box.FillColor = clTransparent;
  const std::string element = Document(box);
  EXPECT_NE(element.find(" Color=\"65280\""), std::string::npos);
  EXPECT_EQ(element.find(" Color=", element.find(" Color=") + 1), std::string::npos);
}

// ---- Named properties ---------------------------------------------------------------------------

TEST(DialogControlsTest, DeclaredPropertiesFollowTheControlsThenTheClasses) {
  TConversionContext context;
  const std::vector<std::string> common = {"Name",       "Left",       "Top",          "Width",
                                           "Height",     "Visible",    "Restrictions", "Color",
                                           "Enabled",    "Font",       "Font.Name",    "Font.Size",
                                           "Font.Style", "Font.Color", "OnClick"};
  const struct {
    const char* Class;
    std::vector<std::string> Own;
  } cases[] = {
      {"TkvLabelControl", {"Alignment", "AutoSize", "Caption", "WordWrap"}},
      {"TkvEditControl", {"Text", "ReadOnly"}},
      {"TkvMemoControl", {"Lines", "Lines.Count", "ReadOnly", "Text"}},
      {"TkvButtonControl", {"Cancel", "Caption", "Default", "ModalResult"}},
      {"TkvCheckBoxControl", {"Alignment", "Checked", "Caption"}},
      {"TkvRadioButtonControl", {"Alignment", "Checked", "Caption"}},
      {"TkvListBoxControl", {"Items", "ItemIndex", "Items.Count"}},
      {"TkvComboBoxControl", {"Items", "ItemIndex", "Items.Count", "Style", "Text"}},
      {"TkvDateEditControl", {"Date", "DateFormat"}},
      {"TkvDBLookupControl", {"KeyField", "ListField", "ListSource", "Text"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Class);
    std::vector<std::string> expected = common;
    expected.insert(expected.end(), c.Own.begin(), c.Own.end());
    const auto view = CreateReportObject(context, TypeAddIn, c.Class);
    EXPECT_EQ(PropertyNames(*view), expected);
  }
  TkvComboBoxControl combo(context);
  combo.DeclareProperties();
  const TkvPropRec* style = combo.FindProperty("Style");
  ASSERT_NE(style, nullptr);
  EXPECT_EQ(style->EnumNames, (TLines{"csDropDown", "csDropDownList", "csLookup"}));
  EXPECT_EQ(style->EnumValues,
            (std::vector<TVariant>{std::int64_t{0}, std::int64_t{2}, std::int64_t{3}}));
}

TEST(DialogControlsTest, PropertiesSetAndReadTheWidget) {
  TConversionContext context;
  TkvEditControl edit(context);
  edit.AssignProperty("COLOR", std::int64_t{255});
  edit.AssignProperty("enabled", false);
  edit.AssignProperty("Font.Name", std::string("Arial"));
  edit.AssignProperty("Font.Style", std::int64_t{3});
  edit.AssignProperty("Text", std::string("t"));
  EXPECT_EQ(edit.Color, 255);
  EXPECT_FALSE(edit.Enabled);
  EXPECT_EQ(edit.Font.Name, "Arial");
  EXPECT_EQ(edit.Font.Style, (TFontStyles{TFontStyle::fsBold, TFontStyle::fsItalic}));
  EXPECT_EQ(VarToInt(edit.QueryProperty("Color")), 255);
  EXPECT_EQ(VarToStr(edit.QueryProperty("font.name")), "Arial");
  EXPECT_EQ(VarToStr(edit.QueryProperty("TEXT")), "t");
  EXPECT_EQ(VarToInt(edit.QueryProperty("Width")), 121);
  edit.AssignProperty("Visible", false);
  EXPECT_FALSE(edit.Visible);

  TkvMemoControl memo(context);
  memo.AssignProperty("Lines", std::string("a\nb"));
  EXPECT_EQ(memo.Text, "a\r\nb\r\n");
  EXPECT_EQ(VarToInt(memo.QueryProperty("Lines.Count")), 2);
  memo.RunMethod("Lines.Add", std::string("'c'"), {}, {});
  EXPECT_EQ(memo.Text, "a\r\nb\r\nc\r\n");
  EXPECT_EQ(VarToStr(memo.RunMethod("GetIndexProperty", std::string("Lines"), std::int64_t{1}, {})),
            "b");

  TkvComboBoxControl combo(context);
  combo.RunMethod("Items.Add", std::string("'x'"), {}, {});
  combo.RunMethod("ITEMS.ADD", std::string("'y'"), {}, {});
  EXPECT_EQ(combo.Items, (TLines{"x", "y"}));
  EXPECT_EQ(VarToInt(combo.QueryProperty("Items.Count")), 2);
  EXPECT_EQ(VarToStr(combo.QueryProperty("Items")), "x\r\ny");
  combo.RunMethod("Items.Clear", {}, {}, {});
  EXPECT_TRUE(combo.Items.empty());
  EXPECT_TRUE(VarIsEmpty(combo.RunMethod("SetFocus", {}, {}, {})));
}

// ---- What the document does not carry -----------------------------------------------------------

TEST(DialogControlsTest, DocumentLosses) {
  const TFakeMeasurer measurer;
  TConversionContext context;
  {
    TMeasurerScope none(nullptr);
    TkvEditControl edit(context);
    EXPECT_EQ(Losses(edit), TLines{});
    edit.Font.Charset = 0;
    EXPECT_EQ(Losses(edit), TLines{});
    edit.Font.Charset = 204;
    edit.FillColor = 0x123;
    EXPECT_EQ(Losses(edit),
              (TLines{"the font's character set 204 is not carried into the document",
                      "the fill colour 291 is not carried into the document, which takes the "
                      "widget's colour"}));

    TkvLabelControl label(context);
    EXPECT_EQ(Losses(label),
              TLines{"the automatic size could not be measured, so the stored size is written"});
    label.AutoSize = false;
    EXPECT_EQ(Losses(label), TLines{});
  }
  TMeasurerScope scope(&measurer);
  TkvLabelControl label(context);
  EXPECT_EQ(Losses(label), TLines{});
}

// ---- Through a whole report ---------------------------------------------------------------------

TEST(DialogControlsTest, ControlsGoThroughAReportFileIntoTheDocument) {
  test::TRecordingPrompter prompter;
  TConversionContext context;
  TkvReport report(context);
  report.Prompter = &prompter;
  report.Pages.AddPage();
  report.Pages.Item(0).PageType = ptDialog;
  auto combo = std::make_unique<TkvComboBoxControl>(context);
  combo->Name = "Choice";
  combo->Items = {"One", "Two"};
  combo->Style = csDropDownList;
  auto button = std::make_unique<TkvButtonControl>(context);
  button->Name = "Ok";
  button->AssignProperty("ModalResult", std::int64_t{mrOk});
  report.Pages.Item(0).ObjectList.push_back(std::move(combo));
  report.Pages.Item(0).ObjectList.push_back(std::move(button));
  TkvReport loaded(context);
  loaded.Prompter = &prompter;
  Reload(report, loaded);
  ASSERT_TRUE(loaded.LastLoad.Read());
  const auto& objects = loaded.Pages.Item(0).ObjectList;
  ASSERT_EQ(objects.size(), 2u);
  const auto* choice = dynamic_cast<const TkvComboBoxControl*>(objects[0].get());
  ASSERT_NE(choice, nullptr);
  EXPECT_EQ(choice->Items, (TLines{"One", "Two"}));
  EXPECT_EQ(choice->Style, csDropDownList);
  const auto* ok = dynamic_cast<const TkvButtonControl*>(objects[1].get());
  ASSERT_NE(ok, nullptr);
  EXPECT_TRUE(ok->Default);
  EXPECT_EQ(LoadNotes(loaded), TLines{});

  const std::string document = DocumentOf(loaded);
  EXPECT_NE(document.find("<TkvxComboBoxControl Name=\"Choice\""), std::string::npos);
  EXPECT_NE(document.find(" Items.Text=\"One&#13;&#10;Two&#13;&#10;\" Style=\"2\""),
            std::string::npos);
  EXPECT_NE(document.find(" Caption=\"Button\" ModalResult=\"1\""), std::string::npos);
  EXPECT_TRUE(prompter.Messages.empty());
}

}  // namespace
}  // namespace kv
