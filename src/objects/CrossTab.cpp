// The cross-tab view: defaults, the captions of its context, named properties, the record gated on
// its minor version and the note on the options the document drops.
#include "objects/CrossTab.h"

#include "base/TextLines.h"
#include "legacy/Context.h"
#include "legacy/Factory.h"
#include "legacy/Messages.h"
#include "legacy/Primitives.h"

namespace kv {

namespace {

// The message of the add-in's toolbar text ("Insert Cross-tab object"). Unlike the other
// families, the cross-tab registers the text itself as its hint, not the message id.
constexpr int InsertCrossTab = 55480;

// The Flags bits that every cross-tab view carries besides flStretched.
constexpr std::uint16_t flCrossTab = 0x6000;

// The record version this program writes: RecordMajor 2 (the common record's), RecordMinor 3.
constexpr std::uint8_t CrossTabRecordMinor = 3;

// The message of the first caption ("Grand total"); the other four follow it.
constexpr int FirstCaptionMessage = 55600;

}  // namespace

TkvCrossView::TkvCrossView(TConversionContext& context) : TViewClassOf(context) {
  NamePrefix = "Cross";
  Flags |= flCrossTab;
  FrameTyp = frRight | frBottom | frLeft | frTop;
  Restrictions = rsDontEditMemo | rsDontSize;
  Width = 348;
  Height = 94;
  Visible = false;
  // The captions follow the context's messages, so a change of its localizer shows in the next
  // table.
  for (std::size_t i = 0; i < context.CrossTabCaptions.size(); ++i) {
    context.CrossTabCaptions[i] = context.MessageText(FirstCaptionMessage + static_cast<int>(i));
  }
}

const TPropertyTable<TkvCrossView>& TkvCrossView::Properties() {
  using P = TkvCrossView;
  static const TPropertyTable<P> table{
      TPropertyTable<P>::TAfterParent{},
      {
          {"InternalFrame", [](const P& p) -> TVariant { return p.InternalFrame; },
           [](P& p, const TVariant& x) { p.InternalFrame = VarToInt(x) != 0; }},
          {"RepeatCaptions", [](const P& p) -> TVariant { return p.RepeatCaptions; },
           [](P& p, const TVariant& x) { p.RepeatCaptions = VarToInt(x) != 0; }},
          {"ShowHeader", [](const P& p) -> TVariant { return p.ShowHeader; },
           [](P& p, const TVariant& x) { p.ShowHeader = VarToInt(x) != 0; }},
          {"ShowGrandTotal", [](const P& p) -> TVariant { return p.ShowGrandTotal; },
           [](P& p, const TVariant& x) { p.ShowGrandTotal = VarToInt(x) != 0; }},
          {"DataWidth", [](const P& p) -> TVariant { return std::int64_t{p.DataWidth}; },
           [](P& p, const TVariant& x) { p.DataWidth = VarToInt32(x); }},
          {"HeaderWidth", [](const P& p) -> TVariant { return std::int64_t{p.HeaderWidth}; },
           [](P& p, const TVariant& x) { p.HeaderWidth = VarToInt32(x); }},
          // Opens the designer's dictionary editor; no value by name.
          {"Dictionary"},
          {"MaxNameLen", [](const P& p) -> TVariant { return std::int64_t{p.MaxNameLen}; },
           [](P& p, const TVariant& x) { p.MaxNameLen = VarToInt32(x); }},
          {"DataCaption", [](const P& p) -> TVariant { return p.DataCaption; },
           [](P& p, const TVariant& x) { p.DataCaption = VarToStr(x); }},
      }};
  return table;
}

// The designer lists every name of the view but "Name", which scripts still read and set.
void TkvCrossView::DeclareProperties() {
  TViewClassOf::DeclareProperties();
  DeleteProperty("Name");
}

// After the common record:
//   InternalFrame, RepeatCaptions, ShowHeader   1 + 1 + 1   always
//   ShowGrandTotal, DataWidth, HeaderWidth      1 + 4 + 4   RecordMinor 1 up
//   Dictionary, MaxNameLen                      string + 4  RecordMinor 2 up (lines, CR LF after
//                                                           each, in one string)
//   DataCaption                                 string      RecordMinor 3 up
void TkvCrossView::LoadLegacy(TStream& stream) {
  TkvView::LoadLegacy(stream);
  InternalFrame = ReadBool8(stream);
  RepeatCaptions = ReadBool8(stream);
  ShowHeader = ReadBool8(stream);
  if (RecordMinor >= 1) {
    ShowGrandTotal = ReadBool8(stream);
    DataWidth = ReadInt(stream);
    HeaderWidth = ReadInt(stream);
  }
  if (RecordMinor >= 2) {
    Dictionary = SplitLines(ReadLegacyString(stream));
    MaxNameLen = ReadInt(stream);
  }
  if (RecordMinor >= 3) DataCaption = ReadLegacyString(stream);
}

void TkvCrossView::SaveLegacy(TStream& stream) {
  RecordMinor = CrossTabRecordMinor;
  TkvView::SaveLegacy(stream);
  WriteBool8(stream, InternalFrame);
  WriteBool8(stream, RepeatCaptions);
  WriteBool8(stream, ShowHeader);
  WriteBool8(stream, ShowGrandTotal);
  WriteInt(stream, DataWidth);
  WriteInt(stream, HeaderWidth);
  WriteLegacyString(stream, JoinLinesCrLf(Dictionary));
  WriteInt(stream, MaxNameLen);
  WriteLegacyString(stream, DataCaption);
}

void TkvCrossView::DocumentLosses(std::vector<std::string>& losses) const {
  std::vector<std::string> options;
  if (InternalFrame) options.push_back("frame lines inside the table");
  if (RepeatCaptions) options.push_back("captions repeated on each page");
  if (!ShowHeader) options.push_back("no header row");
  if (!ShowGrandTotal) options.push_back("no grand total");
  if (DataWidth != -1) {
    options.push_back("data columns " + std::to_string(DataWidth) + " pixels wide");
  }
  if (HeaderWidth != -1) {
    options.push_back("header column " + std::to_string(HeaderWidth) + " pixels wide");
  }
  if (!Dictionary.empty()) {
    options.push_back(Dictionary.size() == 1
                          ? std::string("1 field caption")
                          : std::to_string(Dictionary.size()) + " field captions");
  }
  if (MaxNameLen != 100) {
    options.push_back("captions cut at " + std::to_string(MaxNameLen) + " characters");
  }
  if (DataCaption != "Data") options.push_back("data caption \"" + DataCaption + "\"");
  if (options.empty()) return;
  std::string list;
  for (const std::string& option : options) {
    if (!list.empty()) list += ", ";
    list += option;
  }
  losses.push_back("its cross-tab options (" + list + ") are not carried into the document");
}

void RegisterCrossTabFamily() {
  RegisterAddIn(TkvCrossView::Class(), MessageText(InsertCrossTab), false);
}

}  // namespace kv
