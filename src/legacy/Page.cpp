// Pages: paper, page records of every legacy version, default names and edges.
#include "legacy/Page.h"

#include <unordered_set>

#include "base/Ascii.h"
#include "legacy/Context.h"
#include "legacy/Primitives.h"
#include "legacy/PropertyRoutines.h"
#include "legacy/PropertyTable.h"
#include "legacy/Report.h"

namespace kv {

TkvPage::TkvPage(TConversionContext& context, std::int32_t size, std::int32_t width,
                 std::int32_t height, std::int32_t bin, std::uint8_t orientation)
    : OwnerContext(&context) {
  ChangePaper(size, width, height, bin, orientation);
}

TkvPage::~TkvPage() {
  // However a page goes (its report's pages cleared, the page deleted, the report destroyed), the
  // page of the current object record must not be left pointing at it.
  TLoadState& state = Context().Load;
  if (state.CurrentPage == this) state.CurrentPage = nullptr;
}

void TkvPage::ChangePaper(std::int32_t size, std::int32_t width, std::int32_t height,
                          std::int32_t bin, std::uint8_t orientation) {
  const TPaperResult paper = Context().Printer().TakePaper(size, width, height, bin, orientation, Metrics);
  Size = paper.Size;
  PaperWidth = paper.Width;
  PaperHeight = paper.Height;
  Orientation = paper.Orientation;
  Bin = paper.Bin;
  Metrics = paper.Metrics;
}

void TkvPage::LoadPageRecord(TStream& stream) {
  const std::uint8_t version = Context().Load.LegacyVersion;
  ScriptLines.clear();
  const std::int32_t first = ReadInt(stream);
  const bool marked = first == -1;
  Size = marked ? ReadInt(stream) : first;
  PaperWidth = ReadInt(stream);
  PaperHeight = ReadInt(stream);
  LeftMargin = ReadInt(stream);
  TopMargin = ReadInt(stream);
  RightMargin = ReadInt(stream);
  BottomMargin = ReadInt(stream);
  Orientation = ReadByte(stream);
  if (version < 23) stream.ReadBytes(6);
  Bin = -1;
  if (version >= 24) Bin = ReadInt(stream);
  PrintToPrevPage = ReadWord(stream) != 0;
  MarginsOn = ReadWord(stream) != 0;
  Columns = ReadInt(stream);
  ColumnGap = ReadInt(stream);
  if (version < 24) {
    DefaultPageName();
  } else {
    PageType = ReadByte(stream);
    Name = ReadLegacyString(stream);
    BorderStyle = ReadByte(stream);
    if (BorderStyle == 0)
      BorderStyle = 3;
    else if (BorderStyle == 1)
      BorderStyle = 2;
    Caption = ReadLegacyString(stream);
    Color = ReadInt(stream);
    Left = ReadInt(stream);
    Top = ReadInt(stream);
    Width = ReadInt(stream);
    Height = ReadInt(stream);
    Position = ReadByte(stream);
    if (Position != 0) Position = 4;
    if (marked) ReadLegacyMemo(stream, ScriptLines);
  }
  ChangePaper(Size, PaperWidth, PaperHeight, Bin, Orientation);
}

void TkvPage::SavePageRecord(TStream& stream) const {
  WriteInt(stream, -1);
  WriteInt(stream, Size);
  WriteInt(stream, PaperWidth);
  WriteInt(stream, PaperHeight);
  WriteInt(stream, LeftMargin);
  WriteInt(stream, TopMargin);
  WriteInt(stream, RightMargin);
  WriteInt(stream, BottomMargin);
  WriteByte(stream, Orientation);
  WriteInt(stream, Bin);
  WriteWord(stream, PrintToPrevPage ? -1 : 0);
  WriteWord(stream, MarginsOn ? -1 : 0);
  WriteInt(stream, Columns);
  WriteInt(stream, ColumnGap);
  WriteByte(stream, PageType);
  WriteLegacyString(stream, Name);
  WriteByte(stream, BorderStyle);
  WriteLegacyString(stream, Caption);
  WriteInt(stream, Color);
  WriteInt(stream, Left);
  WriteInt(stream, Top);
  WriteInt(stream, Width);
  WriteInt(stream, Height);
  WriteByte(stream, Position);
  WriteLegacyMemo(stream, ScriptLines);
}

void TkvPage::DefaultPageName() {
  Name = "Page";
  std::unordered_set<std::string> taken;
  if (const TkvReport* report = Context().Load.CurrentReport) {
    for (int i = 0; i < report->Pages.Count(); ++i) taken.insert(report->Pages.Item(i).Name);
  }
  taken.insert(Name);
  for (int n = 1; n <= 10000; ++n) {
    std::string candidate = "Page" + std::to_string(n);
    if (!taken.count(candidate)) {
      Name = std::move(candidate);
      return;
    }
  }
  Name = "Page";
}

void TkvPage::ClearObjects() {
  ObjectList.clear();
}

void TkvPage::DeleteObject(int index) {
  if (index >= 0 && index < static_cast<int>(ObjectList.size())) {
    ObjectList.erase(ObjectList.begin() + index);
  }
}

int TkvPage::IndexOfId(std::int32_t id) const {
  for (std::size_t i = 0; i < ObjectList.size(); ++i) {
    if (ObjectList[i]->ObjectId == id) return static_cast<int>(i);
  }
  return -1;
}

TkvView* TkvPage::FindObjectByName(const std::string& name) const {
  for (const auto& object : ObjectList) {
    if (SameTextAscii(object->Name, name)) return object.get();
  }
  return nullptr;
}

// The edges are computed in 64 bits: margins come from the file and may hold any 32-bit value.
std::int64_t TkvPage::LeftEdge() const {
  if (!MarginsOn) return 0;
  return LeftMargin != 0 ? LeftMargin : Metrics.OffsetXPx;
}

std::int64_t TkvPage::TopEdge() const {
  if (!MarginsOn) return 0;
  return TopMargin != 0 ? TopMargin : Metrics.OffsetYPx;
}

std::int64_t TkvPage::RightEdge() const {
  if (!MarginsOn) return Metrics.PaperWidthPx;
  return RightMargin != 0 ? std::int64_t{Metrics.PaperWidthPx} - RightMargin
                          : std::int64_t{Metrics.OffsetXPx} + Metrics.PrintableWidthPx;
}

std::int64_t TkvPage::BottomEdge() const {
  if (!MarginsOn) return Metrics.PaperHeightPx;
  return BottomMargin != 0 ? std::int64_t{Metrics.PaperHeightPx} - BottomMargin
                           : std::int64_t{Metrics.OffsetYPx} + Metrics.PrintableHeightPx;
}

// ---- Named properties
// -----------------------------------------------------------------------------

// The named properties of a page, in the order the designer lists them: a report page lists
// its paper, margins and columns, a dialog page its form. "Width" and "Height" are the paper's on
// a report page (setting them picks a custom paper) and the form's on a dialog page.
const TPropertyTable<TkvPage>& TkvPage::Properties() {
  using P = TkvPage;
  const auto report = [](const P& p) { return p.PageType == ptReport; };
  const auto dialog = [](const P& p) { return p.PageType == ptDialog; };
  static const TPropertyTable<TkvPage> table{
      {"Name", [](const P& p) -> TVariant { return p.Name; },
       [](P& p, const TVariant& x) { p.Name = VarToStr(x); }},
      {.Name = "Type",
       .Get = [](const P& p) -> TVariant { return std::int64_t{p.PageType}; },
       .Set = [](P& p,
                 const TVariant& x) { p.PageType = static_cast<std::uint8_t>(VarToInt32(x)); },
       .EnumNames = "ptReport;ptDialog",
       .EnumValues = {0, 1}},
      {.Name = "Size",
       .Get = [](const P& p) -> TVariant { return std::int64_t{p.Size}; },
       .Set =
           [](P& p, const TVariant& x) {
             p.ChangePaper(VarToInt32(x), p.PaperWidth, p.PaperHeight, p.Bin, p.Orientation);
           },
       .DeclaredWhen = report},
      {.Name = "Width",
       .Get = [](const P& p) -> TVariant {
         return std::int64_t{p.PageType == ptDialog ? p.Width : p.PaperWidth};
       },
       .Set =
           [](P& p, const TVariant& x) {
             if (p.PageType == ptDialog) {
               p.Width = VarToInt32(x);
             } else {
               p.ChangePaper(256, VarToInt32(x), p.PaperHeight, p.Bin, p.Orientation);
             }
           },
       .DeclaredWhen = report},
      {.Name = "Height",
       .Get = [](const P& p) -> TVariant {
         return std::int64_t{p.PageType == ptDialog ? p.Height : p.PaperHeight};
       },
       .Set =
           [](P& p, const TVariant& x) {
             if (p.PageType == ptDialog) {
               p.Height = VarToInt32(x);
             } else {
               p.ChangePaper(256, p.PaperWidth, VarToInt32(x), p.Bin, p.Orientation);
             }
           },
       .DeclaredWhen = report},
      {.Name = "Orientation",
       .Get = [](const P& p) -> TVariant { return std::int64_t{p.Orientation}; },
       .Set =
           [](P& p, const TVariant& x) {
             p.ChangePaper(p.Size, p.PaperWidth, p.PaperHeight, p.Bin,
                           static_cast<std::uint8_t>(VarToInt32(x)));
           },
       .EnumNames = "poPortrait;poLandscape",
       .EnumValues = {0, 1},
       .DeclaredWhen = report},
      {.Name = "LeftMargin",
       .Get = [](const P& p) -> TVariant { return std::int64_t{p.LeftMargin}; },
       .Set = [](P& p, const TVariant& x) { p.LeftMargin = VarToInt32(x); },
       .DeclaredWhen = report},
      {.Name = "TopMargin",
       .Get = [](const P& p) -> TVariant { return std::int64_t{p.TopMargin}; },
       .Set = [](P& p, const TVariant& x) { p.TopMargin = VarToInt32(x); },
       .DeclaredWhen = report},
      {.Name = "RightMargin",
       .Get = [](const P& p) -> TVariant { return std::int64_t{p.RightMargin}; },
       .Set = [](P& p, const TVariant& x) { p.RightMargin = VarToInt32(x); },
       .DeclaredWhen = report},
      {.Name = "BottomMargin",
       .Get = [](const P& p) -> TVariant { return std::int64_t{p.BottomMargin}; },
       .Set = [](P& p, const TVariant& x) { p.BottomMargin = VarToInt32(x); },
       .DeclaredWhen = report},
      {.Name = "StretchToPrintable",
       .Get = [](const P& p) -> TVariant { return !p.MarginsOn; },
       .Set = [](P& p, const TVariant& x) { p.MarginsOn = VarToInt(x) == 0; },
       .DeclaredWhen = report},
      {.Name = "PrintToPrevPage",
       .Get = [](const P& p) -> TVariant { return p.PrintToPrevPage; },
       .Set = [](P& p, const TVariant& x) { p.PrintToPrevPage = VarToInt(x) != 0; },
       .DeclaredWhen = report},
      {.Name = "Columns",
       .Get = [](const P& p) -> TVariant { return std::int64_t{p.Columns}; },
       .Set = [](P& p, const TVariant& x) { p.Columns = VarToInt32(x); },
       .DeclaredWhen = report},
      {.Name = "ColumnGap",
       .Get = [](const P& p) -> TVariant { return std::int64_t{p.ColumnGap}; },
       .Set = [](P& p, const TVariant& x) { p.ColumnGap = VarToInt32(x); },
       .DeclaredWhen = report},
      // The page's script, for both kinds of page.
      {.Name = "OnBeforePrint",
       .Get = [](const P& p) -> TVariant { return LinesToText(p.ScriptLines); },
       .DeclaredWhen = report},
      {.Name = "BorderStyle",
       .Get = [](const P& p) -> TVariant { return std::int64_t{p.BorderStyle}; },
       .Set = [](P& p,
                 const TVariant& x) { p.BorderStyle = static_cast<std::uint8_t>(VarToInt32(x)); },
       .EnumNames = "bsDialog;bsSizeable",
       .EnumValues = {3, 2},
       .DeclaredWhen = dialog},
      {.Name = "Caption",
       .Get = [](const P& p) -> TVariant { return p.Caption; },
       .Set = [](P& p, const TVariant& x) { p.Caption = VarToStr(x); },
       .DeclaredWhen = dialog},
      {.Name = "Color",
       .Get = [](const P& p) -> TVariant { return std::int64_t{p.Color}; },
       .Set = [](P& p, const TVariant& x) { p.Color = VarToInt32(x); },
       .DeclaredWhen = dialog},
      {.Name = "Left",
       .Get = [](const P& p) -> TVariant { return std::int64_t{p.Left}; },
       .Set = [](P& p, const TVariant& x) { p.Left = VarToInt32(x); },
       .DeclaredWhen = dialog},
      {.Name = "Top",
       .Get = [](const P& p) -> TVariant { return std::int64_t{p.Top}; },
       .Set = [](P& p, const TVariant& x) { p.Top = VarToInt32(x); },
       .DeclaredWhen = dialog},
      // Declared here too, in the dialog page's order; read and set through the entries above.
      {.Name = "Width", .DeclaredWhen = dialog},
      {.Name = "Height", .DeclaredWhen = dialog},
      {.Name = "Position",
       .Get = [](const P& p) -> TVariant { return std::int64_t{p.Position}; },
       .Set = [](P& p,
                 const TVariant& x) { p.Position = static_cast<std::uint8_t>(VarToInt32(x)); },
       .EnumNames = "poDesigned;poScreenCenter",
       .EnumValues = {0, 4},
       .DeclaredWhen = dialog},
      {.Name = "OnActivate",
       .Get = [](const P& p) -> TVariant { return LinesToText(p.ScriptLines); },
       .DeclaredWhen = dialog},
      {"Visible", [](const P& p) -> TVariant { return p.Visible; },
       [](P& p, const TVariant& x) { p.Visible = VarToInt(x) != 0; }},
      {"ColumnWidth", [](const P& p) -> TVariant { return std::int64_t{p.ColumnWidth}; },
       [](P& p, const TVariant& x) { p.ColumnWidth = VarToInt32(x); }, false},
  };
  return table;
}

}  // namespace kv
