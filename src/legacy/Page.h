// A report page: a page that carries bands and objects and is printed, or a dialog page that
// describes an input form shown before the report runs. It owns the objects placed on it, takes
// its paper through the printer model and is stored as one page record in a legacy file.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/Stream.h"
#include "legacy/KvObject.h"
#include "legacy/Printer.h"
#include "legacy/PropertyTable.h"
#include "legacy/View.h"

namespace kv {

class TConversionContext;

enum TPageType : std::uint8_t { ptReport = 0, ptDialog = 1 };

class TkvPage : public TPropertiesOf<TkvPage, TkvObject> {
 public:
  // Creates a page with a paper setting, taken through the printer model of its context, to which
  // the page belongs for its whole life.
  TkvPage(TConversionContext& context, std::int32_t size, std::int32_t width, std::int32_t height,
          std::int32_t bin, std::uint8_t orientation);
  ~TkvPage() override;

  TConversionContext& Context() const { return *OwnerContext; }

  // Named properties (TPropertiesOf): the table of a page.
  static const TPropertyTable<TkvPage>& Properties();

  // Takes a paper setting through the printer model (falling back to the custom size when the
  // model fails) and copies back size, width, height, orientation, bin and the metrics.
  void ChangePaper(std::int32_t size, std::int32_t width, std::int32_t height, std::int32_t bin,
                   std::uint8_t orientation);
  void LoadPageRecord(TStream& stream);
  void SavePageRecord(TStream& stream) const;
  // Names the page "Page" and the first number from 1 to 10000 that no page of the current
  // report carries yet.
  void DefaultPageName();

  void ClearObjects();
  void DeleteObject(int index);
  int IndexOfId(std::int32_t id) const;
  TkvView* FindObjectByName(const std::string& name) const;

  // Edges of the area inside the margins, in screen pixels from the left or top paper edge.
  std::int64_t LeftEdge() const;
  std::int64_t TopEdge() const;
  std::int64_t RightEdge() const;
  std::int64_t BottomEdge() const;

  std::string Name;
  std::uint8_t PageType = ptReport;
  std::int32_t Size = 0;
  std::int32_t PaperWidth = 0, PaperHeight = 0;  // tenths of a millimetre
  std::uint8_t Orientation = 0;                  // 0 portrait, 1 landscape
  std::int32_t Bin = 0;                          // 65535 when the default source was requested
  std::int32_t LeftMargin = 0, TopMargin = 0, RightMargin = 0, BottomMargin = 0;
  bool MarginsOn = true;
  bool PrintToPrevPage = false;
  std::int32_t Columns = 0, ColumnGap = 0, ColumnWidth = 0;
  TPageMetrics Metrics{};
  // Dialog pages: the window's border, title, colour, bounds and placement.
  std::uint8_t BorderStyle = 3;
  std::string Caption = "Form";
  std::int32_t Color = static_cast<std::int32_t>(0xFF00000F);
  std::int32_t Left = 220, Top = 120, Width = 380, Height = 300;
  std::uint8_t Position = 4;
  bool Visible = true;
  std::vector<std::string> ScriptLines;
  std::vector<std::unique_ptr<TkvView>> ObjectList;

 private:
  TConversionContext* OwnerContext;
};

}  // namespace kv
