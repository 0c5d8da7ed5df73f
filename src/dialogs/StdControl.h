// The base of the dialog controls. Each control stands for one widget of an input form shown
// before a report runs; the model keeps the widget's properties as plain fields of the control.
// TkvStdControl holds what every widget has (colour, enabled state, font), reads and writes them
// as the common control payload after the common object record, and writes them as the common
// control attributes after the common attributes of the element, whose Color is the widget's.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "legacy/Primitives.h"
#include "objects/Control.h"

namespace kv {

class TkvStdControl : public TViewClassOf<TkvStdControl, TkvControl, "TkvStdControl"> {
 public:
  explicit TkvStdControl(TConversionContext& context);

  // The names of TkvControl first, then "Color", "Enabled", "Font" (the designer's dialog) with
  // "Font.Name", "Font.Size", "Font.Style" and "Font.Color" (through SetFontProperty and
  // GetFontProperty), and the event "OnClick", which is only declared.
  static const TPropertyTable<TkvStdControl>& Properties();
  // "SETFOCUS" (nothing to focus without a window), then the methods of TkvView.
  TVariant RunMethod(const std::string& name, const TVariant& argument1, const TVariant& argument2,
                     const TVariant& argument3) override;

  // The common record, then the common control payload.
  void LoadLegacy(TStream& stream) override;
  void SaveLegacy(TStream& stream) override;
  // The common attributes (Color from the widget), then Font.Name, Font.Height, Font.Color,
  // Font.Style and, for a disabled widget only, Enabled="False".
  void SaveToDocument(TDocumentStream& stream) override;
  // A font character set other than ANSI and the default, and a fill colour of the view that is
  // neither the button face nor the widget's colour (the element's Color is the widget's).
  void DocumentLosses(std::vector<std::string>& losses) const override;

  // The widget's properties.
  TColor Color = clBtnFace;
  bool Enabled = true;
  TkvFont Font;

 protected:
  std::int32_t DocumentColor() const override { return Color; }
  // Called after a font sub-property was set by name; the label resizes itself.
  virtual void FontChanged() {}
};

}  // namespace kv
