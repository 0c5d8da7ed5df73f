// The nine standard dialog controls: defaults, named properties, class payloads of the record,
// class attributes of the element, and the registration of the family.
#include "dialogs/DialogControls.h"

#include <algorithm>

#include "base/Ascii.h"
#include "base/DocumentText.h"
#include "base/TextLines.h"
#include "dialogs/DBLookupControl.h"
#include "dialogs/TextMeasurer.h"
#include "legacy/Context.h"
#include "legacy/Factory.h"
#include "legacy/PropertyRoutines.h"

namespace kv {

namespace {

// A flag as the control attributes write it: "0" or "1".
void WriteFlag(TDocumentStream& stream, std::string_view name, bool value) {
  WriteAttribute(stream, name, std::int64_t{value ? 1 : 0});
}

// The line-list methods on the list property called property (upper case): "property.ADD" and
// the like, and the index methods naming it. Sets handled to false for any other method.
TVariant RunItemsMethod(std::vector<std::string>& list, const std::string& name,
                        const TVariant& argument1, const TVariant& argument2,
                        const TVariant& argument3, const std::string& property, bool& handled) {
  const std::string n = AsciiUpper(name);
  const bool indexMethod = n == "SETINDEXPROPERTY" || n == "GETINDEXPROPERTY";
  handled = n.starts_with(property + ".") ||
            (indexMethod && SameTextAscii(VarToStr(argument1), property));
  if (!handled) return {};
  return RunListMethod(list, name, argument1, argument2, argument3, property);
}

}  // namespace

// ---- TkvLabelControl ----------------------------------------------------------------------------

TkvLabelControl::TkvLabelControl(TConversionContext& context) : TViewClassOf(context) {
  NamePrefix = "Label";
  AdjustSize();
}

const TPropertyTable<TkvLabelControl>& TkvLabelControl::Properties() {
  using L = TkvLabelControl;
  static const TPropertyTable<TkvLabelControl> table{
      TPropertyTable<TkvLabelControl>::TAfterParent{},
      {
          {.Name = "Alignment",
           .Get = [](const L& l) -> TVariant { return std::int64_t{l.Alignment}; },
           .Set = [](L& l, const TVariant& x) { l.Alignment = VarToInt(x) & 0xFF; },
           .EnumNames = "taLeftJustify;taRightJustify;taCenter",
           .EnumValues = {0, 1, 2}},
          {"AutoSize", [](const L& l) -> TVariant { return l.AutoSize; },
           [](L& l, const TVariant& x) {
             l.AutoSize = VarToInt(x) != 0;
             l.AdjustSize();
           }},
          {"Caption", [](const L& l) -> TVariant { return l.Caption; },
           [](L& l, const TVariant& x) {
             l.Caption = VarToStr(x);
             l.AdjustSize();
           }},
          {"WordWrap", [](const L& l) -> TVariant { return l.WordWrap; },
           [](L& l, const TVariant& x) {
             l.WordWrap = VarToInt(x) != 0;
             l.AdjustSize();
           }},
      }};
  return table;
}

void TkvLabelControl::AdjustSize() {
  if (!AutoSize) return;
  const TTextMeasurer* measurer = TextMeasurer();
  if (!measurer) return;
  // A wrapping label breaks its caption within its width; a width read from a file may be 0 or
  // less, which still leaves one pixel to wrap in rather than meaning no wrapping at all.
  const std::int64_t wrapWidth = WordWrap ? std::max<std::int64_t>(Width, 1) : 0;
  const TTextSize size = measurer->MeasureText(Caption, Font, wrapWidth, Context().CodePage);
  if (!WordWrap) Width = size.Width;
  Height = size.Height;
}

// Label payload:
//   Alignment   1
//   AutoSize    1
//   Caption     string
//   WordWrap    1
void TkvLabelControl::LoadLegacy(TStream& stream) {
  TkvStdControl::LoadLegacy(stream);
  Alignment = ReadByte(stream);
  AutoSize = ReadBool8(stream);
  Caption = ReadLegacyString(stream);
  WordWrap = ReadBool8(stream);
  AdjustSize();
}

void TkvLabelControl::SaveLegacy(TStream& stream) {
  TkvStdControl::SaveLegacy(stream);
  WriteByte(stream, Alignment);
  WriteBool8(stream, AutoSize);
  WriteLegacyString(stream, Caption);
  WriteBool8(stream, WordWrap);
}

void TkvLabelControl::SaveToDocument(TDocumentStream& stream) {
  TkvStdControl::SaveToDocument(stream);
  WriteAttribute(stream, "Alignment", Alignment);
  WriteFlag(stream, "AutoSize", AutoSize);
  WriteTextAttribute(stream, "Caption", Caption);
  WriteFlag(stream, "WordWrap", WordWrap);
}

void TkvLabelControl::DocumentLosses(std::vector<std::string>& losses) const {
  TkvStdControl::DocumentLosses(losses);
  if (AutoSize && !TextMeasurer()) {
    losses.push_back("the automatic size could not be measured, so the stored size is written");
  }
}

// ---- TkvEditControl -----------------------------------------------------------------------------

TkvEditControl::TkvEditControl(TConversionContext& context) : TViewClassOf(context) {
  NamePrefix = "Edit";
  Color = clWindow;
  Width = 121;
  Height = 21;
}

const TPropertyTable<TkvEditControl>& TkvEditControl::Properties() {
  using E = TkvEditControl;
  static const TPropertyTable<TkvEditControl> table{
      TPropertyTable<TkvEditControl>::TAfterParent{},
      {
          {"Text", [](const E& e) -> TVariant { return e.Text; },
           [](E& e, const TVariant& x) { e.Text = VarToStr(x); }},
          {"ReadOnly", [](const E& e) -> TVariant { return e.ReadOnly; },
           [](E& e, const TVariant& x) { e.ReadOnly = VarToInt(x) != 0; }},
      }};
  return table;
}

// Edit payload:
//   Text       string
//   ReadOnly   1
void TkvEditControl::LoadLegacy(TStream& stream) {
  TkvStdControl::LoadLegacy(stream);
  Text = ReadLegacyString(stream);
  ReadOnly = ReadBool8(stream);
}

void TkvEditControl::SaveLegacy(TStream& stream) {
  TkvStdControl::SaveLegacy(stream);
  WriteLegacyString(stream, Text);
  WriteBool8(stream, ReadOnly);
}

void TkvEditControl::SaveToDocument(TDocumentStream& stream) {
  TkvStdControl::SaveToDocument(stream);
  WriteTextAttribute(stream, "Text", Text);
  WriteFlag(stream, "ReadOnly", ReadOnly);
}

// ---- TkvMemoControl -----------------------------------------------------------------------------

TkvMemoControl::TkvMemoControl(TConversionContext& context) : TViewClassOf(context) {
  NamePrefix = "Memo";
  Color = clWindow;
  Width = 185;
  Height = 89;
}

const TPropertyTable<TkvMemoControl>& TkvMemoControl::Properties() {
  using M = TkvMemoControl;
  static const TPropertyTable<TkvMemoControl> table{
      TPropertyTable<TkvMemoControl>::TAfterParent{},
      {
          {"Lines", [](const M& m) -> TVariant { return m.Text; },
           [](M& m, const TVariant& x) { m.Text = NormalizeLineBreaks(VarToStr(x)); }},
          {"Lines.Count",
           [](const M& m) -> TVariant {
             return static_cast<std::int64_t>(SplitLines(m.Text).size());
           }},
          {"ReadOnly", [](const M& m) -> TVariant { return m.ReadOnly; },
           [](M& m, const TVariant& x) { m.ReadOnly = VarToInt(x) != 0; }},
          {"Text", [](const M& m) -> TVariant { return m.Text; },
           [](M& m, const TVariant& x) { m.Text = VarToStr(x); }},
      }};
  return table;
}

TVariant TkvMemoControl::RunMethod(const std::string& name, const TVariant& argument1,
                                   const TVariant& argument2, const TVariant& argument3) {
  std::vector<std::string> lines = SplitLines(Text);
  bool handled = false;
  TVariant result = RunItemsMethod(lines, name, argument1, argument2, argument3, "LINES", handled);
  if (!handled) return TkvStdControl::RunMethod(name, argument1, argument2, argument3);
  Text = JoinLinesCrLf(lines);
  return result;
}

// Memo payload:
//   Text       string   the lines joined by CR LF
//   ReadOnly   1
void TkvMemoControl::LoadLegacy(TStream& stream) {
  TkvStdControl::LoadLegacy(stream);
  Text = ReadLegacyString(stream);
  ReadOnly = ReadBool8(stream);
}

void TkvMemoControl::SaveLegacy(TStream& stream) {
  TkvStdControl::SaveLegacy(stream);
  WriteLegacyString(stream, Text);
  WriteBool8(stream, ReadOnly);
}

void TkvMemoControl::SaveToDocument(TDocumentStream& stream) {
  TkvStdControl::SaveToDocument(stream);
  WriteTextAttribute(stream, "Lines.Text", Text);
  WriteFlag(stream, "ReadOnly", ReadOnly);
}

// ---- TkvButtonControl ---------------------------------------------------------------------------

TkvButtonControl::TkvButtonControl(TConversionContext& context) : TViewClassOf(context) {
  NamePrefix = "Button";
  Width = 75;
  Height = 25;
}

const TPropertyTable<TkvButtonControl>& TkvButtonControl::Properties() {
  using B = TkvButtonControl;
  static const TPropertyTable<TkvButtonControl> table{
      TPropertyTable<TkvButtonControl>::TAfterParent{},
      {
          {"Cancel", [](const B& b) -> TVariant { return b.Cancel; },
           [](B& b, const TVariant& x) { b.Cancel = VarToInt(x) != 0; }},
          {"Caption", [](const B& b) -> TVariant { return b.Caption; },
           [](B& b, const TVariant& x) { b.Caption = VarToStr(x); }},
          {"Default", [](const B& b) -> TVariant { return b.Default; },
           [](B& b, const TVariant& x) { b.Default = VarToInt(x) != 0; }},
          {.Name = "ModalResult",
           .Get = [](const B& b) -> TVariant { return std::int64_t{b.ModalResult}; },
           .Set =
               [](B& b, const TVariant& x) {
                 b.ModalResult = VarToInt32(x);
                 b.Cancel = b.ModalResult == mrCancel;
                 b.Default = b.ModalResult == mrOk;
               },
           .EnumNames = "mrNone;mrOk;mrCancel",
           .EnumValues = {0, 1, 2}},
      }};
  return table;
}

// Button payload:
//   Caption       string
//   ModalResult   2        unsigned
void TkvButtonControl::LoadLegacy(TStream& stream) {
  TkvStdControl::LoadLegacy(stream);
  Caption = ReadLegacyString(stream);
  AssignProperty("ModalResult", std::int64_t{static_cast<std::uint16_t>(ReadWord(stream))});
}

void TkvButtonControl::SaveLegacy(TStream& stream) {
  TkvStdControl::SaveLegacy(stream);
  WriteLegacyString(stream, Caption);
  WriteWord(stream, static_cast<std::int16_t>(ModalResult));
}

void TkvButtonControl::SaveToDocument(TDocumentStream& stream) {
  TkvStdControl::SaveToDocument(stream);
  WriteTextAttribute(stream, "Caption", Caption);
  WriteAttribute(stream, "ModalResult", ModalResult);
}

// ---- Check boxes and radio buttons --------------------------------------------------------------

template <class Self, TClassName Name>
const TPropertyTable<Self>& TkvCheckedControl<Self, Name>::Properties() {
  static const TPropertyTable<Self> table{
      typename TPropertyTable<Self>::TAfterParent{},
      {
          {.Name = "Alignment",
           .Get = [](const Self& c) -> TVariant { return std::int64_t{c.Alignment}; },
           .Set = [](Self& c, const TVariant& x) { c.Alignment = VarToInt(x) & 0xFF; },
           .EnumNames = "taLeftJustify;taRightJustify",
           .EnumValues = {0, 1}},
          {"Checked", [](const Self& c) -> TVariant { return c.Checked; },
           [](Self& c, const TVariant& x) { c.Checked = VarToInt(x) != 0; }},
          {"Caption", [](const Self& c) -> TVariant { return c.Caption; },
           [](Self& c, const TVariant& x) { c.Caption = VarToStr(x); }},
      }};
  return table;
}

// Check box and radio button payload:
//   Alignment   1
//   Checked     1
//   Caption     string
template <class Self, TClassName Name>
void TkvCheckedControl<Self, Name>::LoadLegacy(TStream& stream) {
  TkvStdControl::LoadLegacy(stream);
  Alignment = ReadByte(stream);
  Checked = ReadBool8(stream);
  Caption = ReadLegacyString(stream);
}

template <class Self, TClassName Name>
void TkvCheckedControl<Self, Name>::SaveLegacy(TStream& stream) {
  TkvStdControl::SaveLegacy(stream);
  WriteByte(stream, Alignment);
  WriteBool8(stream, Checked);
  WriteLegacyString(stream, Caption);
}

template <class Self, TClassName Name>
void TkvCheckedControl<Self, Name>::SaveToDocument(TDocumentStream& stream) {
  TkvStdControl::SaveToDocument(stream);
  WriteTextAttribute(stream, "Caption", Caption);
  WriteAttribute(stream, "Alignment", Alignment);
  WriteFlag(stream, "Checked", Checked);
}

template class TkvCheckedControl<TkvCheckBoxControl, "TkvCheckBoxControl">;
template class TkvCheckedControl<TkvRadioButtonControl, "TkvRadioButtonControl">;

TkvCheckBoxControl::TkvCheckBoxControl(TConversionContext& context) : TkvCheckedControl(context) {
  NamePrefix = "CheckBox";
  Caption = "CheckBox";
  Width = 97;
  Height = 17;
}

TkvRadioButtonControl::TkvRadioButtonControl(TConversionContext& context) : TkvCheckedControl(context) {
  NamePrefix = "RadioButton";
  Caption = "RadioButton";
  Width = 113;
  Height = 17;
}

// ---- TkvListBoxControl --------------------------------------------------------------------------

TkvListBoxControl::TkvListBoxControl(TConversionContext& context) : TViewClassOf(context) {
  NamePrefix = "ListBox";
  Color = clWindow;
  Width = 121;
  Height = 97;
}

const TPropertyTable<TkvListBoxControl>& TkvListBoxControl::Properties() {
  using L = TkvListBoxControl;
  static const TPropertyTable<TkvListBoxControl> table{
      TPropertyTable<TkvListBoxControl>::TAfterParent{},
      {
          {"Items", [](const L& l) -> TVariant { return LinesToText(l.Items); },
           [](L& l, const TVariant& x) { l.Items = SplitLines(VarToStr(x)); }},
          {"ItemIndex", [](const L& l) -> TVariant { return std::int64_t{l.ItemIndex}; },
           [](L& l, const TVariant& x) { l.ItemIndex = VarToInt32(x); }},
          {"Items.Count",
           [](const L& l) -> TVariant { return static_cast<std::int64_t>(l.Items.size()); }},
      }};
  return table;
}

TVariant TkvListBoxControl::RunMethod(const std::string& name, const TVariant& argument1,
                                      const TVariant& argument2, const TVariant& argument3) {
  bool handled = false;
  TVariant result = RunItemsMethod(Items, name, argument1, argument2, argument3, "ITEMS", handled);
  if (handled) return result;
  return TkvStdControl::RunMethod(name, argument1, argument2, argument3);
}

// List box payload:
//   Items   memo
void TkvListBoxControl::LoadLegacy(TStream& stream) {
  TkvStdControl::LoadLegacy(stream);
  ReadLegacyMemo(stream, Items);
}

void TkvListBoxControl::SaveLegacy(TStream& stream) {
  TkvStdControl::SaveLegacy(stream);
  WriteLegacyMemo(stream, Items);
}

void TkvListBoxControl::SaveToDocument(TDocumentStream& stream) {
  TkvStdControl::SaveToDocument(stream);
  WriteTextAttribute(stream, "Items.Text", JoinLinesCrLf(Items));
}

// ---- TkvComboBoxControl -------------------------------------------------------------------------

TkvComboBoxControl::TkvComboBoxControl(TConversionContext& context) : TViewClassOf(context) {
  NamePrefix = "ComboBox";
  Color = clWindow;
  Width = 145;
  Height = 21;
}

const TPropertyTable<TkvComboBoxControl>& TkvComboBoxControl::Properties() {
  using C = TkvComboBoxControl;
  static const TPropertyTable<TkvComboBoxControl> table{
      TPropertyTable<TkvComboBoxControl>::TAfterParent{},
      {
          {"Items", [](const C& c) -> TVariant { return LinesToText(c.Items); },
           [](C& c, const TVariant& x) { c.Items = SplitLines(VarToStr(x)); }},
          {"ItemIndex", [](const C& c) -> TVariant { return std::int64_t{c.ItemIndex}; },
           [](C& c, const TVariant& x) { c.ItemIndex = VarToInt32(x); }},
          {"Items.Count",
           [](const C& c) -> TVariant { return static_cast<std::int64_t>(c.Items.size()); }},
          {.Name = "Style",
           .Get = [](const C& c) -> TVariant { return std::int64_t{c.Style}; },
           .Set = [](C& c, const TVariant& x) { c.Style = VarToInt(x) & 0xFF; },
           .EnumNames = "csDropDown;csDropDownList;csLookup",
           .EnumValues = {0, 2, 3}},
          {"Text", [](const C& c) -> TVariant { return c.Text; },
           [](C& c, const TVariant& x) { c.Text = VarToStr(x); }},
      }};
  return table;
}

TVariant TkvComboBoxControl::RunMethod(const std::string& name, const TVariant& argument1,
                                       const TVariant& argument2, const TVariant& argument3) {
  bool handled = false;
  TVariant result = RunItemsMethod(Items, name, argument1, argument2, argument3, "ITEMS", handled);
  if (handled) return result;
  return TkvStdControl::RunMethod(name, argument1, argument2, argument3);
}

// Combo box payload:
//   Items   memo
//   Style   1        record version 11 up; up to version 20 a style s other than 0 means s + 1
void TkvComboBoxControl::LoadLegacy(TStream& stream) {
  TkvStdControl::LoadLegacy(stream);
  ReadLegacyMemo(stream, Items);
  const int recordVersion = RecordVersion();
  if (recordVersion <= 10) return;
  int style = ReadByte(stream);
  if (recordVersion <= 20 && style != 0) ++style;
  AssignProperty("Style", std::int64_t{style});
}

void TkvComboBoxControl::SaveLegacy(TStream& stream) {
  RecordMinor = 1;
  TkvStdControl::SaveLegacy(stream);
  WriteLegacyMemo(stream, Items);
  WriteByte(stream, Style);
}

void TkvComboBoxControl::SaveToDocument(TDocumentStream& stream) {
  TkvStdControl::SaveToDocument(stream);
  WriteTextAttribute(stream, "Items.Text", JoinLinesCrLf(Items));
  WriteAttribute(stream, "Style", Style);
}

// ---- TkvDateEditControl -------------------------------------------------------------------------

TkvDateEditControl::TkvDateEditControl(TConversionContext& context) : TViewClassOf(context) {
  NamePrefix = "DateEdit";
  Color = clWindow;
  Width = 145;
  Height = 21;
}

const TPropertyTable<TkvDateEditControl>& TkvDateEditControl::Properties() {
  using D = TkvDateEditControl;
  static const TPropertyTable<TkvDateEditControl> table{
      TPropertyTable<TkvDateEditControl>::TAfterParent{},
      {
          {"Date", [](const D& d) -> TVariant { return d.Date; },
           [](D& d, const TVariant& x) { d.Date = VarToFloat(x); }},
          {.Name = "DateFormat",
           .Get = [](const D& d) -> TVariant { return std::int64_t{d.DateFormat}; },
           .Set = [](D& d, const TVariant& x) { d.DateFormat = VarToInt(x) & 0xFF; },
           .EnumNames = "dfShort;dfLong",
           .EnumValues = {0, 1}},
      }};
  return table;
}

// Date picker payload:
//   DateFormat   1
void TkvDateEditControl::LoadLegacy(TStream& stream) {
  TkvStdControl::LoadLegacy(stream);
  AssignProperty("DateFormat", std::int64_t{ReadByte(stream)});
}

void TkvDateEditControl::SaveLegacy(TStream& stream) {
  TkvStdControl::SaveLegacy(stream);
  WriteByte(stream, static_cast<std::uint8_t>(VarToInt(QueryProperty("DateFormat"))));
}

void TkvDateEditControl::SaveToDocument(TDocumentStream& stream) {
  TkvStdControl::SaveToDocument(stream);
  WriteAttribute(stream, "DateFormat", DateFormat);
}

// ---- Registration -------------------------------------------------------------------------------

void RegisterDialogControls() {
  RegisterAddIn(TkvLabelControl::Class(), 55450, true);
  RegisterAddIn(TkvEditControl::Class(), 55451, true);
  RegisterAddIn(TkvMemoControl::Class(), 55452, true);
  RegisterAddIn(TkvButtonControl::Class(), 55453, true);
  RegisterAddIn(TkvCheckBoxControl::Class(), 55454, true);
  RegisterAddIn(TkvRadioButtonControl::Class(), 55455, true);
  RegisterAddIn(TkvListBoxControl::Class(), 55456, true);
  RegisterAddIn(TkvComboBoxControl::Class(), 55457, true);
  RegisterAddIn(TkvDateEditControl::Class(), 55458, true);
  RegisterDBLookupControl();
}

}  // namespace kv
