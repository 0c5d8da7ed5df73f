// The check box view, an add-in object that prints a check mark or a cross depending on a data
// value. The value is named by the first memo line (an expression or a data-field reference),
// offered to the designer as "DataField". Its record adds the mark's style and colour after the
// common record (files of version 24 and later); its TkvxCheckBoxView element adds CheckStyle,
// CheckColor, the data field when the first memo line names one, and that line as Text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/Stream.h"
#include "legacy/Primitives.h"
#include "legacy/View.h"

namespace kv {

// TkvCheckBoxView::CheckStyle values: the mark printed.
enum TCheckStyle : std::uint8_t {
  csCross = 0,
  csCheck = 1,
};

class TkvCheckBoxView : public TViewClassOf<TkvCheckBoxView, TkvView, "TkvCheckBoxView"> {
 public:
  // The view defaults with a frame of all four lines, 2 pixels wide; NamePrefix "Check", a black
  // cross.
  explicit TkvCheckBoxView(TConversionContext& context);

  // The names of TkvView, then "CheckStyle" (csCross, csCheck), "CheckColor" and "DataField".
  static const TPropertyTable<TkvCheckBoxView>& Properties();

  // The common record, then CheckStyle (1 byte) and CheckColor (4 bytes), which files up to
  // version 23 do not hold; saving always writes both.
  void LoadLegacy(TStream& stream) override;
  void SaveLegacy(TStream& stream) override;
  // The common attributes, then CheckStyle, CheckColor, DataSet and DataField when the first
  // memo line resolves, and Text with that line.
  void SaveToDocument(TDocumentStream& stream) override;

  std::uint8_t CheckStyle = csCross;
  TColor CheckColor = 0;
};

// Registers the add-in TkvCheckBoxView as an object.
void RegisterCheckBoxFamily();

}  // namespace kv
