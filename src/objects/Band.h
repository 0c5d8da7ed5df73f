// The band view: the horizontal strips that give a report page its structure (title, page header
// and footer, data bands with their headers and footers, group headers and footers, column
// headers, overlays, child bands). A band is an object on the page like any other; its band type,
// kept in the low seven bits of FrameTyp (a band has no frame), decides how the run-time engine
// uses it and which element class it becomes in the new document. Data bands keep the name of
// their report dataset (or a record count) in FormatText, group headers their condition.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "legacy/View.h"

namespace kv {

class TkvDataset;

// Band types; the designer names them with the messages 55077 to 55099 in this order.
enum TBandType : std::uint8_t {
  btReportTitle = 0,
  btReportSummary = 1,
  btPageHeader = 2,
  btPageFooter = 3,
  btMasterHeader = 4,
  btMasterData = 5,
  btMasterFooter = 6,
  btDetailHeader = 7,
  btDetailData = 8,
  btDetailFooter = 9,
  btSubDetailHeader = 10,
  btSubDetailData = 11,
  btSubDetailFooter = 12,
  btOverlay = 13,
  btColumnHeader = 14,
  btColumnFooter = 15,
  btGroupHeader = 16,
  btGroupFooter = 17,
  btCrossHeader = 18,
  btCrossData = 19,
  btCrossFooter = 20,
  btChild = 21,
  btNone = 22,
};

// Bits of a band's Flags (bit 0x0001 is flStretched, shared with every view).
inline constexpr std::uint16_t flBandFormNewPage = 0x0002;
inline constexpr std::uint16_t flBandPrintIfSubsetEmpty = 0x0004;
inline constexpr std::uint16_t flBandBreaked = 0x0008;
inline constexpr std::uint16_t flBandOnFirstPage = 0x0010;
inline constexpr std::uint16_t flBandOnLastPage = 0x0020;
inline constexpr std::uint16_t flBandRepeatHeader = 0x0040;
inline constexpr std::uint16_t flBandPrintChildIfInvisible = 0x0080;

// The element class of a band type in the new document ("TkvxMasterData"); empty for the types
// that have none (the cross bands 18 to 20, "None" 22 and every type above 22).
std::string_view BandElementClass(int bandType);

// True for the data bands (master, detail and subdetail data), whose FormatText names a report
// dataset or holds a record count.
bool IsDataBand(int bandType);

class TkvBandView : public TViewClassOf<TkvBandView, TkvView, "TkvBandView"> {
 public:
  // TypeCode 2, FormatCode 0, NamePrefix "Band", Flags 0x0030 (printed on the first and on the
  // last page), band type 0.
  explicit TkvBandView(TConversionContext& context);

  // The TkvView names without the frame, fill, tag and band-alignment ones, "Memo" listed as
  // "OnBeforePrint"; then the band's own names as far as its band type uses them; "EOF" last.
  // Assigned and read: "ChildBand", "Master", the flag names, "Condition" (FormatText),
  // "Columns", "ColumnGap", "ColumnWidth" and "NewColumnAfter"; "DataSource" is accepted and
  // ignored, and "EOF" reads false, since conversion runs no dataset.
  static const TPropertyTable<TkvBandView>& Properties();

  // The common record, then from file version 24 the band's payload.
  void LoadLegacy(TStream& stream) override;
  // The common record with record version 21, then the whole payload.
  void SaveLegacy(TStream& stream) override;
  // The band's own element in place of the common one: nothing for a band type without an
  // element class.
  void SaveToDocument(TDocumentStream& stream) override;
  // What the band's element drops: the whole band when its type has no element class; a data
  // band's record count or a reference that names no report dataset; a group header's master
  // band; records per column other than 1; designer restrictions.
  void DocumentLosses(std::vector<std::string>& losses) const override;

  // The band type: the low seven bits of FrameTyp.
  int BandType() const { return FrameTyp & 0x7F; }
  void SetBandType(int bandType) {
    FrameTyp = static_cast<std::uint16_t>((FrameTyp & ~0x7F) | (bandType & 0x7F));
  }

  // The report dataset a data band runs on: the component that FormatText names (a path from
  // the form that owns the current report) when that is a report dataset; none for other band
  // types, a record count, a name that finds nothing or a component of another kind.
  TkvDataset* ReportDataset() const;

  // Name of the child band (type 21) printed after this one.
  std::string ChildBand;
  // Name of the data band (type 5, 8 or 11) that a group header belongs to.
  std::string Master;
  // Number of columns of a data band, column width and the gap between columns in pixels.
  std::int32_t Columns = 1;
  std::int32_t ColumnWidth = 200;
  std::int32_t ColumnGap = 20;
  // Records per column before the engine starts the next column.
  std::int32_t NewColumnAfter = 1;

 protected:
  bool PublishesFrameProperties() const override { return false; }
};

// Registers the band view as the built-in class of type code 2.
void RegisterBandFamily();

}  // namespace kv
