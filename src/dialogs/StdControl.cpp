// The base of the dialog controls: the widget's colour, enabled state and font, by name, in the
// record and in the element.
#include "dialogs/StdControl.h"

#include "base/Ascii.h"
#include "base/DocumentText.h"
#include "legacy/PropertyRoutines.h"

namespace kv {

// The widgets of a form start with the form's font.
TkvStdControl::TkvStdControl(TConversionContext& context) : TViewClassOf(context) {
  Font.Name = "MS Sans Serif";
  Font.Size = 8;
  Font.Color = clWindowText;
  Font.Charset = DefaultCharset;
}

const TPropertyTable<TkvStdControl>& TkvStdControl::Properties() {
  using C = TkvStdControl;
  static const TPropertyTable<TkvStdControl> table{
      TPropertyTable<TkvStdControl>::TAfterParent{},
      {
          {"Color", [](const C& c) -> TVariant { return std::int64_t{c.Color}; },
           [](C& c, const TVariant& x) { c.Color = VarToInt32(x); }},
          {"Enabled", [](const C& c) -> TVariant { return c.Enabled; },
           [](C& c, const TVariant& x) { c.Enabled = VarToInt(x) != 0; }},
          {"Font"},  // the font dialog
          {"Font.Name", [](const C& c) { return GetFontProperty(c.Font, "FONT.NAME"); },
           [](C& c, const TVariant& x) {
             SetFontProperty(c.Font, "FONT.NAME", x);
             c.FontChanged();
           }},
          {"Font.Size", [](const C& c) { return GetFontProperty(c.Font, "FONT.SIZE"); },
           [](C& c, const TVariant& x) {
             SetFontProperty(c.Font, "FONT.SIZE", x);
             c.FontChanged();
           }},
          {"Font.Style", [](const C& c) { return GetFontProperty(c.Font, "FONT.STYLE"); },
           [](C& c, const TVariant& x) {
             SetFontProperty(c.Font, "FONT.STYLE", x);
             c.FontChanged();
           }},
          {"Font.Color", [](const C& c) { return GetFontProperty(c.Font, "FONT.COLOR"); },
           [](C& c, const TVariant& x) {
             SetFontProperty(c.Font, "FONT.COLOR", x);
             c.FontChanged();
           }},
          {"OnClick"},  // the event; the script runs only while a report runs
      }};
  return table;
}

TVariant TkvStdControl::RunMethod(const std::string& name, const TVariant& argument1,
                                  const TVariant& argument2, const TVariant& argument3) {
  if (SameTextAscii(name, "SETFOCUS")) return {};
  return TkvControl::RunMethod(name, argument1, argument2, argument3);
}

// The common control payload, after the common record:
//   Color     4             widget colour
//   Enabled   1             0 disabled, anything else enabled
//   Font      font record   name, size, style word, colour, character set
void TkvStdControl::LoadLegacy(TStream& stream) {
  TkvControl::LoadLegacy(stream);
  Color = ReadInt(stream);
  Enabled = ReadBool8(stream);
  Font = ReadLegacyFont(stream);
}

void TkvStdControl::SaveLegacy(TStream& stream) {
  TkvControl::SaveLegacy(stream);
  WriteInt(stream, Color);
  WriteBool8(stream, Enabled);
  WriteLegacyFont(stream, Font);
}

void TkvStdControl::SaveToDocument(TDocumentStream& stream) {
  TkvControl::SaveToDocument(stream);
  WriteNameAttribute(stream, "Font.Name", Font.Name);
  WriteAttribute(stream, "Font.Height", FontHeightPixels(Font.Size));
  WriteAttribute(stream, "Font.Color", Font.Color);
  WriteAttribute(stream, "Font.Style", Font.Style.Mask());
  if (!Enabled) WriteAttribute(stream, "Enabled", "False");
}

void TkvStdControl::DocumentLosses(std::vector<std::string>& losses) const {
  // ANSI (0) and the default set name the same text on the converting system.
  if (Font.Charset != 0 && Font.Charset != DefaultCharset) {
    losses.push_back("the font's character set " + std::to_string(Font.Charset) +
                     " is not carried into the document");
  }
  if (FillColor != clBtnFace && FillColor != Color) {
    losses.push_back("the fill colour " + std::to_string(FillColor) +
                     " is not carried into the document, which takes the widget's colour");
  }
}

}  // namespace kv
