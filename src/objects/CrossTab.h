// The cross-tab view, an add-in object that describes a cross table: a dataset, the fields down
// the rows, the fields across the columns and the fields aggregated in the cells. The definition
// is kept in the view's Memo (four lines: dataset, row fields, column fields, cell fields); the
// view adds the table's options (frame, repeated captions, header, grand total, column widths,
// field captions, caption length, data caption), which its record carries after the common part
// gated on the common record's RecordMinor. The run-time engine builds the table from the
// definition; here the view is only converted: its TkvxCrossView element holds the common
// attributes, with the definition in Memo.text, and none of the options.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "legacy/View.h"

namespace kv {

class TkvCrossView : public TViewClassOf<TkvCrossView, TkvView, "TkvCrossView"> {
 public:
  // TypeCode 10 (add-in), NamePrefix "Cross", Flags 0x6000 added, all four frame lines,
  // Restrictions "don't edit memo" and "don't size", 348 x 94 pixels, not visible, the option
  // defaults of the fields below; refreshes the cross-tab captions of its context from the
  // context's messages.
  explicit TkvCrossView(TConversionContext& context);

  // The names of TkvView except "Name", then "InternalFrame", "RepeatCaptions", "ShowHeader",
  // "ShowGrandTotal", "DataWidth", "HeaderWidth", "Dictionary" (the designer's dictionary
  // editor; neither read nor set by name), "MaxNameLen" and "DataCaption".
  static const TPropertyTable<TkvCrossView>& Properties();
  void DeclareProperties() override;

  // The common record, then InternalFrame, RepeatCaptions and ShowHeader; from RecordMinor 1
  // ShowGrandTotal, DataWidth and HeaderWidth; from 2 Dictionary and MaxNameLen; from 3
  // DataCaption. Fields a record does not hold keep their defaults.
  void LoadLegacy(TStream& stream) override;
  // Every field, as record version 2.3.
  void SaveLegacy(TStream& stream) override;
  // One note naming the options that differ from their defaults; none when all are at theirs.
  void DocumentLosses(std::vector<std::string>& losses) const override;

  // Frame lines inside the table.
  bool InternalFrame = false;
  // Header captions repeated on each new page.
  bool RepeatCaptions = false;
  // The header row is printed.
  bool ShowHeader = true;
  // The grand total is printed.
  bool ShowGrandTotal = true;
  // Width of the data columns and of the header column; -1 sizes them automatically.
  std::int32_t DataWidth = -1;
  std::int32_t HeaderWidth = -1;
  // Display captions of the row, column and cell fields: lines "field=caption".
  std::vector<std::string> Dictionary;
  // Longest caption in characters.
  std::int32_t MaxNameLen = 100;
  // Caption of the data area.
  std::string DataCaption = "Data";
};

// Registers TkvCrossView as an add-in object.
void RegisterCrossTabFamily();

}  // namespace kv
