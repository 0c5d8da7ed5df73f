// Pages: paper, page records of every legacy version, default names and edges.
#include "legacy/Page.h"

#include <unordered_set>

#include "legacy/Ascii.h"
#include "legacy/LoadState.h"
#include "legacy/Primitives.h"
#include "legacy/PropertyRoutines.h"
#include "legacy/Report.h"

namespace kv {

TkvPage::TkvPage(std::int32_t size, std::int32_t width, std::int32_t height, std::int32_t bin,
                 std::uint8_t orientation) {
  ChangePaper(size, width, height, bin, orientation);
}

TkvPage::~TkvPage() {
  // However a page goes (its report's pages cleared, the page deleted, the report destroyed), the
  // page of the current object record must not be left pointing at it.
  TLoadState& state = LoadState();
  if (state.CurrentPage == this) state.CurrentPage = nullptr;
}

void TkvPage::ChangePaper(std::int32_t size, std::int32_t width, std::int32_t height,
                          std::int32_t bin, std::uint8_t orientation) {
  const TPaperResult paper = Prn().TakePaper(size, width, height, bin, orientation, Metrics);
  Size = paper.Size;
  PaperWidth = paper.Width;
  PaperHeight = paper.Height;
  Orientation = paper.Orientation;
  Bin = paper.Bin;
  Metrics = paper.Metrics;
}

void TkvPage::LoadPageRecord(TStream& stream) {
  const std::uint8_t version = LoadState().LegacyVersion;
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
  if (const TkvReport* report = LoadState().CurrentReport) {
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
  return RightMargin != 0
             ? std::int64_t{Metrics.PaperWidthPx} - RightMargin
             : std::int64_t{Metrics.OffsetXPx} + Metrics.PrintableWidthPx;
}

std::int64_t TkvPage::BottomEdge() const {
  if (!MarginsOn) return Metrics.PaperHeightPx;
  return BottomMargin != 0
             ? std::int64_t{Metrics.PaperHeightPx} - BottomMargin
             : std::int64_t{Metrics.OffsetYPx} + Metrics.PrintableHeightPx;
}

// ---- Named properties
// -----------------------------------------------------------------------------

void TkvPage::DeclareProperties() {
  AddProperty("Name", 0);
  AddEnumProperty("Type", "ptReport;ptDialog", {std::int64_t{0}, std::int64_t{1}});
  if (PageType == ptReport) {
    AddProperty("Size", 0);
    AddProperty("Width", 0);
    AddProperty("Height", 0);
    AddEnumProperty("Orientation", "poPortrait;poLandscape", {std::int64_t{0}, std::int64_t{1}});
    AddProperty("LeftMargin", 0);
    AddProperty("TopMargin", 0);
    AddProperty("RightMargin", 0);
    AddProperty("BottomMargin", 0);
    AddProperty("StretchToPrintable", 0);
    AddProperty("PrintToPrevPage", 0);
    AddProperty("Columns", 0);
    AddProperty("ColumnGap", 0);
    AddProperty("OnBeforePrint", 0);
  } else {
    AddEnumProperty("BorderStyle", "bsDialog;bsSizeable", {std::int64_t{3}, std::int64_t{2}});
    AddProperty("Caption", 0);
    AddProperty("Color", 0);
    AddProperty("Left", 0);
    AddProperty("Top", 0);
    AddProperty("Width", 0);
    AddProperty("Height", 0);
    AddEnumProperty("Position", "poDesigned;poScreenCenter", {std::int64_t{0}, std::int64_t{4}});
    AddProperty("OnActivate", 0);
  }
  AddProperty("Visible", 0);
}

void TkvPage::AssignProperty(const std::string& name, const TVariant& value) {
  const std::string n = AsciiUpper(name);
  const auto number = [&] { return static_cast<std::int32_t>(VarToInt(value)); };
  const auto flag = [&] { return VarToInt(value) != 0; };
  const bool dialog = PageType == ptDialog;
  if (n == "NAME")
    Name = VarToStr(value);
  else if (n == "TYPE")
    PageType = static_cast<std::uint8_t>(number());
  else if (n == "SIZE")
    ChangePaper(number(), PaperWidth, PaperHeight, Bin, Orientation);
  else if (n == "WIDTH" && !dialog)
    ChangePaper(256, number(), PaperHeight, Bin, Orientation);
  else if (n == "HEIGHT" && !dialog)
    ChangePaper(256, PaperWidth, number(), Bin, Orientation);
  else if (n == "ORIENTATION")
    ChangePaper(Size, PaperWidth, PaperHeight, Bin, static_cast<std::uint8_t>(number()));
  else if (n == "LEFTMARGIN")
    LeftMargin = number();
  else if (n == "TOPMARGIN")
    TopMargin = number();
  else if (n == "RIGHTMARGIN")
    RightMargin = number();
  else if (n == "BOTTOMMARGIN")
    BottomMargin = number();
  else if (n == "STRETCHTOPRINTABLE")
    MarginsOn = !flag();
  else if (n == "PRINTTOPREVPAGE")
    PrintToPrevPage = flag();
  else if (n == "COLUMNS")
    Columns = number();
  else if (n == "COLUMNGAP")
    ColumnGap = number();
  else if (n == "COLUMNWIDTH")
    ColumnWidth = number();
  else if (n == "BORDERSTYLE")
    BorderStyle = static_cast<std::uint8_t>(number());
  else if (n == "CAPTION")
    Caption = VarToStr(value);
  else if (n == "COLOR")
    Color = number();
  else if (n == "LEFT")
    Left = number();
  else if (n == "TOP")
    Top = number();
  else if (n == "WIDTH")
    Width = number();
  else if (n == "HEIGHT")
    Height = number();
  else if (n == "POSITION")
    Position = static_cast<std::uint8_t>(number());
  else if (n == "VISIBLE")
    Visible = flag();
}

TVariant TkvPage::QueryProperty(const std::string& name) {
  const std::string n = AsciiUpper(name);
  const auto number = [](std::int64_t v) { return TVariant{v}; };
  const bool dialog = PageType == ptDialog;
  if (n == "NAME") return Name;
  if (n == "TYPE") return number(PageType);
  if (n == "SIZE") return number(Size);
  if (n == "WIDTH") return number(dialog ? Width : PaperWidth);
  if (n == "HEIGHT") return number(dialog ? Height : PaperHeight);
  if (n == "ORIENTATION") return number(Orientation);
  if (n == "LEFTMARGIN") return number(LeftMargin);
  if (n == "TOPMARGIN") return number(TopMargin);
  if (n == "RIGHTMARGIN") return number(RightMargin);
  if (n == "BOTTOMMARGIN") return number(BottomMargin);
  if (n == "STRETCHTOPRINTABLE") return !MarginsOn;
  if (n == "PRINTTOPREVPAGE") return PrintToPrevPage;
  if (n == "COLUMNS") return number(Columns);
  if (n == "COLUMNGAP") return number(ColumnGap);
  if (n == "COLUMNWIDTH") return number(ColumnWidth);
  if (n == "BORDERSTYLE") return number(BorderStyle);
  if (n == "CAPTION") return Caption;
  if (n == "COLOR") return number(Color);
  if (n == "LEFT") return number(Left);
  if (n == "TOP") return number(Top);
  if (n == "POSITION") return number(Position);
  if (n == "VISIBLE") return Visible;
  if (n == "ONBEFOREPRINT" || n == "ONACTIVATE") return LinesToText(ScriptLines);
  return {};
}

}  // namespace kv
