// The base view: defaults, named properties, the common part of the legacy object record, the
// common part of the document element, element names and default names.
#include "legacy/View.h"

#include <bitset>
#include <charconv>
#include <cmath>
#include <limits>

#include "base/Ascii.h"
#include "base/DocumentText.h"
#include "base/FloatText.h"
#include "base/TextLines.h"
#include "legacy/Context.h"
#include "legacy/Factory.h"
#include "legacy/Primitives.h"
#include "legacy/PropertyRoutines.h"
#include "legacy/PropertyTable.h"
#include "legacy/Report.h"

namespace kv {

namespace {

constexpr int MaxDefaultNameNumber = 10000;

// The frame lines in the document's bit order: left 1, right 2, top 4, bottom 8.
std::int64_t FrameTypToDocument(std::uint16_t frameTyp) {
  std::int64_t bits = 0;
  if (frameTyp & frLeft) bits |= 0x1;
  if (frameTyp & frRight) bits |= 0x2;
  if (frameTyp & frTop) bits |= 0x4;
  if (frameTyp & frBottom) bits |= 0x8;
  return bits;
}

// The designer restrictions in the document's form: any of the four editing bits is 1, then
// size 2, move 4, delete 8.
std::int64_t RestrictionsToDocument(std::uint16_t restrictions) {
  std::int64_t bits = 0;
  if (restrictions & (rsDontEditMemo | rsDontEditScript | rsDontEditContents | rsDontModify)) {
    bits |= 0x1;
  }
  if (restrictions & rsDontSize) bits |= 0x2;
  if (restrictions & rsDontMove) bits |= 0x4;
  if (restrictions & rsDontDelete) bits |= 0x8;
  return bits;
}

// The document has no top and rest alignments: top becomes none, rest becomes width.
std::int64_t BandAlignToDocument(std::uint8_t bandAlign) {
  if (bandAlign == baRest) return baWidth;
  if (bandAlign == baTop) return baNone;
  return bandAlign;
}

// The number n when name is prefix followed by the decimal n (1 to 10000, no leading zeros),
// the prefix compared ignoring ASCII case; otherwise 0.
int DefaultNameNumber(std::string_view name, std::string_view prefix) {
  if (name.size() <= prefix.size() || name.size() > prefix.size() + 5) return 0;
  if (!SameTextAscii(name.substr(0, prefix.size()), prefix)) return 0;
  const std::string_view digits = name.substr(prefix.size());
  if (digits[0] == '0') return 0;
  int number = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return 0;
    number = number * 10 + (c - '0');
  }
  return number <= MaxDefaultNameNumber ? number : 0;
}

}  // namespace

std::string ElementNameOf(std::string_view className) {
  std::string name(className);
  if (name.starts_with("Tkv")) name.insert(3, 1, 'x');
  if (SameTextAscii(name, "TkvxSubreportView")) return "TkvxSubreport";
  return name;
}

std::int32_t StoredFrameWidth(float frameWidth) {
  const long double width = frameWidth;
  long double stored = width;
  if (!(width == std::floor(width) && width <= 10)) {
    // Round half to even, independent of the floating-point rounding mode in force.
    const long double scaled = width * 1000.0L;
    stored = std::floor(scaled);
    const long double fraction = scaled - stored;
    if (fraction > 0.5L || (fraction == 0.5L && std::fmod(stored, 2.0L) != 0)) stored += 1;
  }
  if (std::isnan(stored)) return 0;
  if (stored <= std::numeric_limits<std::int32_t>::min()) {
    return std::numeric_limits<std::int32_t>::min();
  }
  if (stored >= std::numeric_limits<std::int32_t>::max()) {
    return std::numeric_limits<std::int32_t>::max();
  }
  return static_cast<std::int32_t>(stored);
}

float FrameWidthFromStored(std::int32_t stored) {
  long double thousandths = stored;
  if (stored <= 10) thousandths *= 1000;
  return static_cast<float>(thousandths / 1000.0L);
}

// ---- TkvView ------------------------------------------------------------------------------------

TkvView::TkvView(TConversionContext& context)
    : FillColor(clTransparent),
      FormatCode(0x200 + static_cast<unsigned char>(context.DecimalSeparator)),
      OwnerContext(&context) {}

TkvView::~TkvView() = default;

const TViewClass& TkvView::Class() {
  static const TViewClass viewClass{
      "TkvView", [](TConversionContext& context) { return std::make_unique<TkvView>(context); }};
  return viewClass;
}

std::string TkvView::ClassName() const {
  return "TkvView";
}

// The named properties of every view, in the order the designer lists them.
const TPropertyTable<TkvView>& TkvView::Properties() {
  using V = TkvView;
  const auto frame = [](const V& v) { return v.PublishesFrameProperties(); };
  static const TPropertyTable<TkvView> table{
      {"Name", [](const V& v) -> TVariant { return v.Name; },
       [](V& v, const TVariant& x) { v.Name = VarToStr(x); }},
      {"Left", [](const V& v) -> TVariant { return v.Left; },
       [](V& v, const TVariant& x) { v.Left = VarToInt32(x); }},
      {"Top", [](const V& v) -> TVariant { return v.Top; },
       [](V& v, const TVariant& x) { v.Top = VarToInt32(x); }},
      {"Width", [](const V& v) -> TVariant { return v.Width; },
       [](V& v, const TVariant& x) { v.Width = VarToInt32(x); }},
      {"Height", [](const V& v) -> TVariant { return v.Height; },
       [](V& v, const TVariant& x) { v.Height = VarToInt32(x); }},
      {"Flags", [](const V& v) -> TVariant { return std::int64_t{v.Flags}; },
       [](V& v, const TVariant& x) { v.Flags = VarToWord(x); }},
      {.Name = "FrameTyp",
       .Get = [](const V& v) -> TVariant { return std::int64_t{v.FrameTyp}; },
       .Set = [](V& v, const TVariant& x) { v.FrameTyp = VarToWord(x); },
       .DeclaredWhen = frame},
      {.Name = "FrameWidth",
       .Get = [](const V& v) -> TVariant { return static_cast<double>(v.FrameWidth); },
       .Set = [](V& v, const TVariant& x) { v.FrameWidth = static_cast<float>(VarToFloat(x)); },
       .DeclaredWhen = frame},
      {.Name = "FrameColor",
       .Get = [](const V& v) -> TVariant { return std::int64_t{v.FrameColor}; },
       .Set = [](V& v, const TVariant& x) { v.FrameColor = VarToInt32(x); },
       .DeclaredWhen = frame},
      {.Name = "FrameStyle",
       .Get = [](const V& v) -> TVariant { return std::int64_t{v.FrameStyle}; },
       .Set = [](V& v, const TVariant& x) { v.FrameStyle = VarToWord(x); },
       .EnumNames = "psSolid;psDash;psDot;psDashDot;psDashDotDot;psDouble",
       .EnumValues = {0, 1, 2, 3, 4, 5},
       .DeclaredWhen = frame},
      {.Name = "FillColor",
       .Get = [](const V& v) -> TVariant { return std::int64_t{v.FillColor}; },
       .Set = [](V& v, const TVariant& x) { v.FillColor = VarToInt32(x); },
       .DeclaredWhen = frame},
      {.Name = "Tag",
       .Get = [](const V& v) -> TVariant { return v.Tag; },
       .Set = [](V& v, const TVariant& x) { v.Tag = VarToStr(x); },
       .DeclaredWhen = frame},
      {.Name = "BandAlign",
       .Get = [](const V& v) -> TVariant { return std::int64_t{v.BandAlign}; },
       .Set =
           [](V& v, const TVariant& x) {
             v.BandAlign = static_cast<std::uint8_t>(VarToInt(x) & 0xFF);
           },
       .EnumNames = "baNone;baLeft;baRight;baCenter;baWidth;baBottom;baTop;baRest",
       .EnumValues = {0, 1, 2, 3, 4, 5, 6, 7},
       .DeclaredWhen = frame},
      {"Visible", [](const V& v) -> TVariant { return v.Visible; },
       [](V& v, const TVariant& x) { v.Visible = VarToInt(x) != 0; }},
      {"Memo", [](const V& v) -> TVariant { return LinesToText(v.Memo); },
       [](V& v, const TVariant& x) { v.Memo = SplitLines(VarToStr(x)); }},
      {"Memo.Count",
       [](const V& v) -> TVariant { return static_cast<std::int64_t>(v.Memo.size()); }},
      {"Restrictions", [](const V& v) -> TVariant { return std::int64_t{v.Restrictions}; },
       [](V& v, const TVariant& x) { v.Restrictions = VarToWord(x); }},
      {"GapX", [](const V& v) -> TVariant { return std::int64_t{v.GapX}; },
       [](V& v, const TVariant& x) { v.GapX = VarToInt32(x); }, false},
      {"GapY", [](const V& v) -> TVariant { return std::int64_t{v.GapY}; },
       [](V& v, const TVariant& x) { v.GapY = VarToInt32(x); }, false},
      // Bit flStretched of Flags.
      {"Stretched", [](const V& v) -> TVariant { return (v.Flags & flStretched) != 0; },
       [](V& v, const TVariant& x) {
         v.Flags = VarToInt(x) != 0 ? (v.Flags | flStretched) : (v.Flags & ~flStretched);
       },
       false},
      // The whole memo text when set; its first line when read.
      {"DataField",
       [](const V& v) -> TVariant { return v.Memo.empty() ? std::string() : v.Memo.front(); },
       [](V& v, const TVariant& x) { v.Memo = SplitLines(VarToStr(x)); }, false},
  };
  return table;
}

TVariant TkvView::RunMethod(const std::string& name, const TVariant& argument1,
                            const TVariant& argument2, const TVariant& argument3) {
  const std::string n = AsciiUpper(name);
  // Through AssignProperty, so that a control's widget follows.
  if (n == "HIDE") {
    AssignProperty("Visible", false);
    return {};
  }
  if (n == "SHOW") {
    AssignProperty("Visible", true);
    return {};
  }
  return RunListMethod(Memo, name, argument1, argument2, argument3, "MEMO");
}

// The common record (versions 21 to 25):
//   Name                       stored string   version 24 up; 23 unless prepared
//   RecordMajor, RecordMinor   1 + 1           version 24 up
//   Left, Top, Width, Height   4 x 4
//   Flags, FrameTyp            2 + 2
//   frame width                4               whole pixels up to 10, else thousandths
//   FrameColor, FrameStyle     4 + 2
//   FillColor                  4
//   FormatCode, FormatText     4 + string      unless prepared
//   Memo                       stored memo
//   ScriptLines, Visible       memo + 2        version 23 up, unless prepared
//   Restrictions, Tag          2 + string      version 24 up
//   GapX, GapY                 4 + 4           version 24 up
//   BandAlign                  1               RecordMajor above 1
void TkvView::LoadLegacy(TStream& stream) {
  const std::uint8_t version = Context().Load.LegacyVersion;
  if (version > 23 || (version == 23 && !PreparedRecord)) {
    Name = ReadStoredString(stream, version);
  } else {
    AssignDefaultName();
  }
  if (version > 23) {
    RecordMajor = ReadByte(stream);
    RecordMinor = ReadByte(stream);
  }
  Left = ReadInt(stream);
  Top = ReadInt(stream);
  Width = ReadInt(stream);
  Height = ReadInt(stream);
  Flags = static_cast<std::uint16_t>(ReadWord(stream));
  FrameTyp = static_cast<std::uint16_t>(ReadWord(stream));
  // Taken as soon as it is read, so that a record damaged further on keeps it like the fields
  // before it.
  FrameWidth = FrameWidthFromStored(ReadInt(stream));
  FrameColor = ReadInt(stream);
  FrameStyle = static_cast<std::uint16_t>(ReadWord(stream));
  FillColor = ReadInt(stream);
  if (!PreparedRecord) {
    FormatCode = ReadInt(stream);
    FormatText = ReadStoredString(stream, version);
  }
  ReadStoredMemo(stream, Memo, version);
  if (version >= 23 && !PreparedRecord) {
    ReadStoredMemo(stream, ScriptLines, version);
    Visible = ReadBool16(stream);
  }
  if (version >= 24) {
    Restrictions = static_cast<std::uint16_t>(ReadWord(stream));
    Tag = ReadStoredString(stream, version);
    GapX = ReadInt(stream);
    GapY = ReadInt(stream);
  }
  if (RecordMajor > 1) BandAlign = ReadByte(stream);
}

void TkvView::SaveLegacy(TStream& stream) {
  RecordMajor = 2;
  WriteLegacyString(stream, Name);
  WriteByte(stream, RecordMajor);
  WriteByte(stream, RecordMinor);
  // Coordinates come from the file or from 32-bit properties, so they fit the stored form.
  WriteInt(stream, static_cast<std::int32_t>(Left));
  WriteInt(stream, static_cast<std::int32_t>(Top));
  WriteInt(stream, static_cast<std::int32_t>(Width));
  WriteInt(stream, static_cast<std::int32_t>(Height));
  WriteWord(stream, static_cast<std::int16_t>(Flags));
  WriteWord(stream, static_cast<std::int16_t>(FrameTyp));
  WriteInt(stream, StoredFrameWidth(FrameWidth));
  WriteInt(stream, FrameColor);
  WriteWord(stream, static_cast<std::int16_t>(FrameStyle));
  WriteInt(stream, FillColor);
  if (!PreparedRecord) {
    WriteInt(stream, FormatCode);
    WriteLegacyString(stream, FormatText);
    WriteLegacyMemo(stream, Memo);
    WriteLegacyMemo(stream, ScriptLines);
    WriteBool16(stream, Visible);
  } else {
    WriteLegacyMemo(stream, EvaluatedMemo);
  }
  WriteWord(stream, static_cast<std::int16_t>(Restrictions));
  WriteLegacyString(stream, Tag);
  WriteInt(stream, GapX);
  WriteInt(stream, GapY);
  WriteByte(stream, BandAlign);
}

void TkvView::SaveToDocument(TDocumentStream& stream) {
  // Names are written without escaping, except for the three characters that would end the
  // attribute or start markup.
  WriteText(stream, "<" + ElementName());
  WriteNameAttribute(stream, "Name", Name);
  WriteAttribute(stream, "Left", Left);
  WriteAttribute(stream, "Top", Top);
  WriteAttribute(stream, "Width", Width);
  WriteAttribute(stream, "Height", Height);
  WriteAttribute(stream, "Color", DocumentColor());
  if (!Visible) WriteAttribute(stream, "Visible", "False");
  WriteAttribute(stream, "Frame.Typ", FrameTypToDocument(FrameTyp));
  WriteAttribute(stream, "Frame.Width", FormatFloatGeneral(FrameWidth, stream.DecimalSeparator));
  WriteAttribute(stream, "Frame.Color", FrameColor);
  WriteAttribute(stream, "Frame.Style", FrameStyle);
  WriteAttribute(stream, "GapX", GapX);
  WriteAttribute(stream, "GapY", GapY);
  WriteTextAttribute(stream, "TagStr", Tag);
  std::string memoText;
  for (const std::string& line : Memo) {
    memoText += line;
    memoText += "\r\n";
  }
  WriteTextAttribute(stream, "Memo.text", memoText);
  WriteAttribute(stream, "Align", BandAlignToDocument(BandAlign));
  if (!ScriptLines.empty()) {
    // All three events name the one procedure the document writer makes of the script. Control
    // bytes of the name are left out here as in Name and in the script, and noted under Name.
    const std::string procedure = EscapeName(Name) + "OnBeforePrint";
    WriteAttribute(stream, "OnBeforePrint", procedure);
    WriteAttribute(stream, "OnClick", procedure);
    WriteAttribute(stream, "OnActivate", procedure);
  }
  WriteAttribute(stream, "Restrictions", RestrictionsToDocument(Restrictions));
}

void TkvView::ForEachTakenName(const std::function<void(std::string_view)>& visit) const {
  const TkvReport* report = Context().Load.CurrentReport;
  if (!report) return;
  for (int p = 0; p < report->Pages.Count(); ++p) {
    for (const auto& object : report->Pages.Item(p).ObjectList) visit(object->Name);
  }
}

void TkvView::AssignDefaultName() {
  Name.clear();
  // One pass over the taken names marks the numbers in use, instead of one search of the whole
  // report per number tried; names compare ignoring ASCII case as the report's lookup does.
  std::bitset<MaxDefaultNameNumber + 1> taken;
  ForEachTakenName([&](std::string_view name) {
    if (const int number = DefaultNameNumber(name, NamePrefix)) {
      taken.set(static_cast<std::size_t>(number));
    }
  });
  for (int number = 1; number <= MaxDefaultNameNumber; ++number) {
    if (!taken.test(static_cast<std::size_t>(number))) {
      AssignProperty("Name", NamePrefix + std::to_string(number));
      return;
    }
  }
}

}  // namespace kv
