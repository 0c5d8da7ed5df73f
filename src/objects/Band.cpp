// The band view: defaults, named properties by band type, the band's payload of the legacy
// object record, and the element of each band type in the new document.
#include "objects/Band.h"

#include <array>
#include <initializer_list>

#include "base/DocumentText.h"
#include "data/Datasets.h"
#include "legacy/ComponentPath.h"
#include "legacy/Context.h"
#include "legacy/Factory.h"
#include "legacy/Messages.h"
#include "legacy/Primitives.h"
#include "legacy/Report.h"

namespace kv {

namespace {

// The element classes of band types 0 to 22; an empty entry means the type has none.
constexpr std::array<std::string_view, 23> ElementClasses{
    "TkvxReportTitle",    // 0
    "TkvxReportSummary",  // 1
    "TkvxPageHeader",     // 2
    "TkvxPageFooter",     // 3
    "TkvxHeader",         // 4
    "TkvxMasterData",     // 5
    "TkvxFooter",         // 6
    "TkvxHeader",         // 7
    "TkvxDetailData",     // 8
    "TkvxFooter",         // 9
    "TkvxHeader",         // 10
    "TkvxSubDetailData",  // 11
    "TkvxFooter",         // 12
    "TkvxOverlay",        // 13
    "TkvxColumnHeader",   // 14
    "TkvxColumnFooter",   // 15
    "TkvxGroupHeader",    // 16
    "TkvxGroupFooter",    // 17
    "",                   // 18
    "",                   // 19
    "",                   // 20
    "TkvxChild",          // 21
    "",                   // 22
};

// The message of the designer's name of band type 0.
constexpr int FirstBandTypeMessage = 55077;

// The flags in the order of their attributes. A flag whose attribute is written when it is set
// writes "True"; one written when it is clear (printing on the first and last page, which new
// bands do) writes "False".
struct TFlagAttribute {
  std::uint16_t Bit;
  const char* Attribute;
  bool WrittenWhenSet;
};
constexpr TFlagAttribute FlagAttributes[] = {
    {flStretched, "Stretched", true},
    {flBandFormNewPage, "StartNewPage", true},
    {flBandPrintIfSubsetEmpty, "PrintIfDetailEmpty", true},
    {flBandBreaked, "AllowSplit", true},
    {flBandOnFirstPage, "PrintOnFirstPage", false},
    {flBandOnLastPage, "PrintOnLastPage", false},
    {flBandRepeatHeader, "ReprintOnNewPage", true},
    {flBandPrintChildIfInvisible, "PrintChildIfInvisible", true},
};

// A set of band types 0 to 31 as bits.
constexpr std::uint32_t TypeSet(std::initializer_list<int> types) {
  std::uint32_t bits = 0;
  for (const int type : types) bits |= std::uint32_t{1} << type;
  return bits;
}

using B = TkvBandView;

// Declaration conditions: the band types that use a property.
template <std::uint32_t Types>
bool ForTypes(const B& band) {
  const int type = band.BandType();
  return type < 32 && ((Types >> type) & 1u) != 0;
}
bool NotPageFooter(const B& band) {
  return band.BandType() != btPageFooter;
}

// A flag bit of Flags as a boolean property.
template <std::uint16_t Bit>
TVariant GetFlag(const B& band) {
  return (band.Flags & Bit) != 0;
}
template <std::uint16_t Bit>
void SetFlag(B& band, const TVariant& value) {
  band.Flags =
      static_cast<std::uint16_t>(VarToInt(value) != 0 ? (band.Flags | Bit) : (band.Flags & ~Bit));
}

constexpr std::uint32_t DataBands = TypeSet({btMasterData, btDetailData, btSubDetailData});

// A data band's reference that the engine takes as a record count: it begins with a digit 1 to 9.
bool IsRecordCount(std::string_view reference) {
  return !reference.empty() && reference.front() >= '1' && reference.front() <= '9';
}

}  // namespace

std::string_view BandElementClass(int bandType) {
  if (bandType < 0 || bandType >= static_cast<int>(ElementClasses.size())) return {};
  return ElementClasses[static_cast<std::size_t>(bandType)];
}

bool IsDataBand(int bandType) {
  return bandType >= 0 && bandType < 32 && ((DataBands >> bandType) & 1u) != 0;
}

// ---- TkvBandView --------------------------------------------------------------------------------

TkvBandView::TkvBandView(TConversionContext& context) : TViewClassOf(context) {
  TypeCode = TypeBand;
  FormatCode = 0;
  NamePrefix = "Band";
  Flags = flBandOnFirstPage | flBandOnLastPage;
  SetBandType(btReportTitle);
}

// The published names in the order the designer lists them. The choices of "ChildBand" and
// "Master" (names of the page's other child or data bands) and the dataset chooser of
// "DataSource" are designer editors; here they are plain properties.
const TPropertyTable<TkvBandView>& TkvBandView::Properties() {
  static const TPropertyTable<TkvBandView> table{
      // The names of TkvView that a band publishes; TkvView reads and sets them.
      {"Name"},
      {"Left"},
      {"Top"},
      {"Width"},
      {"Height"},
      {"Flags"},
      {"Visible"},
      // The descriptor of "Memo" under the name of the script event it edits.
      {"OnBeforePrint"},
      {"Memo.Count"},
      {"Restrictions"},
      {.Name = "ChildBand",
       .Get = [](const B& b) -> TVariant { return b.ChildBand; },
       .Set = [](B& b, const TVariant& x) { b.ChildBand = VarToStr(x); },
       .DeclaredWhen = NotPageFooter},
      {.Name = "PrintChildIfInvisible",
       .Get = GetFlag<flBandPrintChildIfInvisible>,
       .Set = SetFlag<flBandPrintChildIfInvisible>,
       .DeclaredWhen = NotPageFooter},
      {.Name = "Stretched",
       .Get = GetFlag<flStretched>,
       .Set = SetFlag<flStretched>,
       .DeclaredWhen = ForTypes<TypeSet({0, 1, 2, 4, 5, 6, 7, 8, 9, 10, 11, 12, 16, 17, 18, 21})>},
      {.Name = "FormNewPage",
       .Get = GetFlag<flBandFormNewPage>,
       .Set = SetFlag<flBandFormNewPage>,
       .DeclaredWhen = ForTypes<TypeSet({0, 1, 5, 6, 8, 9, 11, 12, 16})>},
      {.Name = "PrintIfSubsetEmpty",
       .Get = GetFlag<flBandPrintIfSubsetEmpty>,
       .Set = SetFlag<flBandPrintIfSubsetEmpty>,
       .DeclaredWhen = ForTypes<TypeSet({5, 8})>},
      {.Name = "Breaked",
       .Get = GetFlag<flBandBreaked>,
       .Set = SetFlag<flBandBreaked>,
       .DeclaredWhen = ForTypes<TypeSet({0, 1, 4, 5, 6, 7, 8, 9, 10, 11, 12, 16, 17, 21})>},
      {.Name = "OnFirstPage",
       .Get = GetFlag<flBandOnFirstPage>,
       .Set = SetFlag<flBandOnFirstPage>,
       .DeclaredWhen = ForTypes<TypeSet({2, 3})>},
      {.Name = "OnLastPage",
       .Get = GetFlag<flBandOnLastPage>,
       .Set = SetFlag<flBandOnLastPage>,
       .DeclaredWhen = ForTypes<TypeSet({3})>},
      {.Name = "RepeatHeader",
       .Get = GetFlag<flBandRepeatHeader>,
       .Set = SetFlag<flBandRepeatHeader>,
       .DeclaredWhen = ForTypes<TypeSet({4, 7, 10, 16, 18})>},
      // The dataset of the run-time band; conversion runs none, so it is ignored.
      {.Name = "DataSource",
       .Set = [](B&, const TVariant&) {},
       .DeclaredWhen = ForTypes<TypeSet({btCrossData})>},
      {.Name = "Columns",
       .Get = [](const B& b) -> TVariant { return std::int64_t{b.Columns}; },
       .Set = [](B& b, const TVariant& x) { b.Columns = VarToInt32(x); },
       .DeclaredWhen = ForTypes<DataBands>},
      {.Name = "ColumnWidth",
       .Get = [](const B& b) -> TVariant { return std::int64_t{b.ColumnWidth}; },
       .Set = [](B& b, const TVariant& x) { b.ColumnWidth = VarToInt32(x); },
       .DeclaredWhen = ForTypes<DataBands>},
      {.Name = "ColumnGap",
       .Get = [](const B& b) -> TVariant { return std::int64_t{b.ColumnGap}; },
       .Set = [](B& b, const TVariant& x) { b.ColumnGap = VarToInt32(x); },
       .DeclaredWhen = ForTypes<DataBands>},
      {.Name = "DataSource",
       .Set = [](B&, const TVariant&) {},
       .DeclaredWhen = ForTypes<DataBands>},
      {.Name = "Condition",
       .Get = [](const B& b) -> TVariant { return b.FormatText; },
       .Set = [](B& b, const TVariant& x) { b.FormatText = VarToStr(x); },
       .DeclaredWhen = ForTypes<TypeSet({btGroupHeader})>},
      {.Name = "Master",
       .Get = [](const B& b) -> TVariant { return b.Master; },
       .Set = [](B& b, const TVariant& x) { b.Master = VarToStr(x); },
       .DeclaredWhen = ForTypes<TypeSet({btGroupHeader})>},
      // The end-of-data state of the band's dataset while a report runs; conversion runs none.
      {.Name = "EOF", .Get = [](const B&) -> TVariant { return false; }},
      {.Name = "NewColumnAfter",
       .Get = [](const B& b) -> TVariant { return std::int64_t{b.NewColumnAfter}; },
       .Set = [](B& b, const TVariant& x) { b.NewColumnAfter = VarToInt32(x); },
       .Declared = false},
  };
  return table;
}

// The band's payload after the common record (version 24 up; older records end with the common
// part, and the fields keep their defaults):
//   ChildBand                                        legacy string
//   Columns, ColumnWidth, ColumnGap, NewColumnAfter  4 x 4
//   Master                                           legacy string   record version above 20
void TkvBandView::LoadLegacy(TStream& stream) {
  TkvView::LoadLegacy(stream);
  if (Context().Load.LegacyVersion <= 23) return;
  ChildBand = ReadLegacyString(stream);
  Columns = ReadInt(stream);
  ColumnWidth = ReadInt(stream);
  ColumnGap = ReadInt(stream);
  NewColumnAfter = ReadInt(stream);
  if (RecordVersion() > 20) Master = ReadLegacyString(stream);
}

void TkvBandView::SaveLegacy(TStream& stream) {
  RecordMinor = 1;  // with the common record's RecordMajor 2: record version 21, with Master
  TkvView::SaveLegacy(stream);
  WriteLegacyString(stream, ChildBand);
  WriteInt(stream, Columns);
  WriteInt(stream, ColumnWidth);
  WriteInt(stream, ColumnGap);
  WriteInt(stream, NewColumnAfter);
  WriteLegacyString(stream, Master);
}

TkvDataset* TkvBandView::ReportDataset() const {
  if (!IsDataBand(BandType())) return nullptr;
  const TkvReport* report = Context().Load.CurrentReport;
  try {
    // Anything else than a report dataset (a record count finds no component) gives none.
    return dynamic_cast<TkvDataset*>(
        FindComponentByPath(Context(), report ? report->Owner() : nullptr, FormatText));
  } catch (const EClassNotFound&) {
    // A path whose search failed names nothing that could be written.
    return nullptr;
  }
}

// The band writes its own element, not the common part: the new format places bands across the
// page, so Left and Width, and the frame, fill, memo and restrictions of views, have no place.
void TkvBandView::SaveToDocument(TDocumentStream& stream) {
  const int type = BandType();
  const std::string_view elementClass = BandElementClass(type);
  if (elementClass.empty()) return;
  WriteText(stream, "<" + std::string(elementClass));
  WriteNameAttribute(stream, "Name", Name);
  WriteAttribute(stream, "Top", Top);
  WriteAttribute(stream, "Height", Height);
  WriteAttribute(stream, "Columns", Columns);
  WriteAttribute(stream, "ColumnWidth", ColumnWidth);
  WriteAttribute(stream, "ColumnGap", ColumnGap);
  if (!Visible) WriteAttribute(stream, "Visible", "False");
  if (!ChildBand.empty()) WriteNameAttribute(stream, "Child", ChildBand);
  for (const TFlagAttribute& flag : FlagAttributes) {
    const bool set = (Flags & flag.Bit) != 0;
    if (set == flag.WrittenWhenSet) {
      WriteAttribute(stream, flag.Attribute, flag.WrittenWhenSet ? "True" : "False");
    }
  }
  // The procedure the document writer makes of the script; control bytes of the name are left out
  // as in Name, where they are noted.
  if (!ScriptLines.empty()) {
    WriteAttribute(stream, "OnBeforePrint", EscapeName(Name) + "OnBeforePrint");
  }
  if (const TkvDataset* dataset = ReportDataset()) {
    WriteTextAttribute(stream, "DataSetName", dataset->Name);
  }
  if (type == btGroupHeader) WriteTextAttribute(stream, "Condition", FormatText);
}

void TkvBandView::DocumentLosses(std::vector<std::string>& losses) const {
  const int type = BandType();
  if (BandElementClass(type).empty()) {
    const std::string typeName = type <= btNone
                                     ? "\"" + Context().MessageText(FirstBandTypeMessage + type) + "\""
                                     : std::to_string(type);
    losses.push_back("band type " + typeName +
                     " has no element class in the new format; the band is not carried into "
                     "the document");
    return;
  }
  if (IsDataBand(type) && !FormatText.empty() && !ReportDataset()) {
    if (IsRecordCount(FormatText)) {
      losses.push_back("the record count " + FormatText +
                       " of the data band is not carried into the document");
    } else {
      losses.push_back("the data source \"" + FormatText +
                       "\" names no report dataset and is not carried into the document");
    }
  }
  if (type == btGroupHeader && !Master.empty()) {
    losses.push_back("the master band \"" + Master +
                     "\" of the group header is not carried into the document");
  }
  if (NewColumnAfter != 1) {
    losses.push_back("records per column (" + std::to_string(NewColumnAfter) +
                     ") are not carried into the document");
  }
  if (Restrictions != 0)
    losses.push_back("designer restrictions are not carried into the document");
}

void RegisterBandFamily() {
  RegisterBuiltInClass(TypeBand, TkvBandView::Class());
}

}  // namespace kv
