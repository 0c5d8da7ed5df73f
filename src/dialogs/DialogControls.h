// The nine standard dialog controls: label, edit box, memo, push button, check box, radio button,
// list box, combo box and date picker. Each keeps its widget's own properties as plain fields,
// reads and writes them as its class payload after the common control payload, and writes them
// as its class attributes after the common control attributes. The database lookup control has
// a header of its own (DBLookupControl.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dialogs/StdControl.h"

namespace kv {

// Text alignments of labels, check boxes and radio buttons.
enum TAlignment : std::uint8_t { taLeftJustify = 0, taRightJustify = 1, taCenter = 2 };
// Combo box styles; 1 (a list always shown) is not offered by the designer.
enum TComboBoxStyle : std::uint8_t { csDropDown = 0, csDropDownList = 2, csLookup = 3 };
// Modal results of push buttons that the designer offers.
enum TModalResult : std::int32_t { mrNone = 0, mrOk = 1, mrCancel = 2 };
// Date picker formats.
enum TDateFormat : std::uint8_t { dfShort = 0, dfLong = 1 };

class TkvLabelControl : public TViewClassOf<TkvLabelControl, TkvStdControl, "TkvLabelControl"> {
 public:
  // NamePrefix and caption "Label", automatic size on: the size is the caption's, when a text
  // measurer is installed.
  explicit TkvLabelControl(TConversionContext& context);

  // "Alignment" (taLeftJustify, taRightJustify, taCenter), "AutoSize", "Caption", "WordWrap";
  // the last three resize the label when its size is automatic.
  static const TPropertyTable<TkvLabelControl>& Properties();

  // Payload: Alignment 1 byte, AutoSize 1 byte, Caption string, WordWrap 1 byte. With automatic
  // size the label then takes the size of its caption, replacing the stored one.
  void LoadLegacy(TStream& stream) override;
  void SaveLegacy(TStream& stream) override;
  // Alignment, AutoSize, Caption (escaped), WordWrap.
  void SaveToDocument(TDocumentStream& stream) override;
  // Besides the common ones: an automatic size that no text measurer could compute.
  void DocumentLosses(std::vector<std::string>& losses) const override;

  // With automatic size on and a text measurer installed, sets Width and Height to the
  // caption's size in the font (a wrapping label keeps its width and takes the height).
  void AdjustSize();

  std::uint8_t Alignment = taLeftJustify;
  bool AutoSize = true;
  std::string Caption = "Label";
  bool WordWrap = false;

 protected:
  void FontChanged() override { AdjustSize(); }
};

class TkvEditControl : public TViewClassOf<TkvEditControl, TkvStdControl, "TkvEditControl"> {
 public:
  // NamePrefix and text "Edit", 121 x 21.
  explicit TkvEditControl(TConversionContext& context);

  // "Text", "ReadOnly".
  static const TPropertyTable<TkvEditControl>& Properties();

  // Payload: Text string, ReadOnly 1 byte.
  void LoadLegacy(TStream& stream) override;
  void SaveLegacy(TStream& stream) override;
  // Text (escaped), ReadOnly.
  void SaveToDocument(TDocumentStream& stream) override;

  std::string Text = "Edit";
  bool ReadOnly = false;
};

class TkvMemoControl : public TViewClassOf<TkvMemoControl, TkvStdControl, "TkvMemoControl"> {
 public:
  // NamePrefix and text "Memo", 185 x 89.
  explicit TkvMemoControl(TConversionContext& context);

  // "Lines" (the text; setting it ends every line with CR LF), "Lines.Count" (read-only),
  // "ReadOnly", "Text" (the text as it is).
  static const TPropertyTable<TkvMemoControl>& Properties();
  // The line-list methods on "LINES", then those of TkvStdControl.
  TVariant RunMethod(const std::string& name, const TVariant& argument1, const TVariant& argument2,
                     const TVariant& argument3) override;

  // Payload: Text string (the lines joined by CR LF), ReadOnly 1 byte.
  void LoadLegacy(TStream& stream) override;
  void SaveLegacy(TStream& stream) override;
  // Lines.Text (escaped), ReadOnly.
  void SaveToDocument(TDocumentStream& stream) override;

  // The whole text of the memo.
  std::string Text = "Memo";
  bool ReadOnly = false;
};

class TkvButtonControl : public TViewClassOf<TkvButtonControl, TkvStdControl, "TkvButtonControl"> {
 public:
  // NamePrefix and caption "Button", 75 x 25.
  explicit TkvButtonControl(TConversionContext& context);

  // "Cancel", "Caption", "Default", "ModalResult" (mrNone, mrOk, mrCancel); setting the modal
  // result also makes the button the cancel button exactly for mrCancel and the default one
  // exactly for mrOk.
  static const TPropertyTable<TkvButtonControl>& Properties();

  // Payload: Caption string, ModalResult 2 bytes unsigned (set by name, so Cancel and Default
  // follow it).
  void LoadLegacy(TStream& stream) override;
  void SaveLegacy(TStream& stream) override;
  // Caption (escaped), ModalResult.
  void SaveToDocument(TDocumentStream& stream) override;

  std::string Caption = "Button";
  std::int32_t ModalResult = mrNone;
  bool Cancel = false;
  bool Default = false;
};

// What check boxes and radio buttons share: a caption beside a mark, on the left or the right.
template <class Self, TClassName Name>
class TkvCheckedControl : public TViewClassOf<Self, TkvStdControl, Name> {
 public:
  using TViewClassOf<Self, TkvStdControl, Name>::TViewClassOf;
  // "Alignment" (taLeftJustify, taRightJustify), "Checked", "Caption".
  static const TPropertyTable<Self>& Properties();

  // Payload: Alignment 1 byte, Checked 1 byte, Caption string.
  void LoadLegacy(TStream& stream) override;
  void SaveLegacy(TStream& stream) override;
  // Caption (escaped), Alignment, Checked.
  void SaveToDocument(TDocumentStream& stream) override;

  // The side of the caption: taRightJustify puts it right of the mark.
  std::uint8_t Alignment = taRightJustify;
  bool Checked = false;
  std::string Caption;
};

class TkvCheckBoxControl : public TkvCheckedControl<TkvCheckBoxControl, "TkvCheckBoxControl"> {
 public:
  // NamePrefix and caption "CheckBox", 97 x 17.
  explicit TkvCheckBoxControl(TConversionContext& context);
};

class TkvRadioButtonControl
    : public TkvCheckedControl<TkvRadioButtonControl, "TkvRadioButtonControl"> {
 public:
  // NamePrefix and caption "RadioButton", 113 x 17.
  explicit TkvRadioButtonControl(TConversionContext& context);
};

class TkvListBoxControl
    : public TViewClassOf<TkvListBoxControl, TkvStdControl, "TkvListBoxControl"> {
 public:
  // NamePrefix "ListBox", 121 x 97.
  explicit TkvListBoxControl(TConversionContext& context);

  // "Items" (one text, lines separated by CR LF), "ItemIndex", "Items.Count" (read-only).
  static const TPropertyTable<TkvListBoxControl>& Properties();
  // The line-list methods on "ITEMS", then those of TkvStdControl.
  TVariant RunMethod(const std::string& name, const TVariant& argument1, const TVariant& argument2,
                     const TVariant& argument3) override;

  // Payload: Items memo.
  void LoadLegacy(TStream& stream) override;
  void SaveLegacy(TStream& stream) override;
  // Items.Text: every item followed by CR LF, escaped.
  void SaveToDocument(TDocumentStream& stream) override;

  std::vector<std::string> Items;
  std::int32_t ItemIndex = -1;
};

class TkvComboBoxControl
    : public TViewClassOf<TkvComboBoxControl, TkvStdControl, "TkvComboBoxControl"> {
 public:
  // NamePrefix "ComboBox", 145 x 21.
  explicit TkvComboBoxControl(TConversionContext& context);

  // "Items", "ItemIndex", "Items.Count" (read-only), "Style" (csDropDown, csDropDownList,
  // csLookup), "Text".
  static const TPropertyTable<TkvComboBoxControl>& Properties();
  // The line-list methods on "ITEMS", then those of TkvStdControl.
  TVariant RunMethod(const std::string& name, const TVariant& argument1, const TVariant& argument2,
                     const TVariant& argument3) override;

  // Payload: Items memo; Style 1 byte from record version 11 up, applied by name. Records up to
  // version 20 number the styles without the unused 1, so a stored style other than 0 counts
  // one more there.
  void LoadLegacy(TStream& stream) override;
  // Sets RecordMinor to 1, so the record has version 21 and always holds the style.
  void SaveLegacy(TStream& stream) override;
  // Items.Text (as the list box), Style.
  void SaveToDocument(TDocumentStream& stream) override;

  std::vector<std::string> Items;
  std::int32_t ItemIndex = -1;
  std::uint8_t Style = csDropDown;
  std::string Text;
};

class TkvDateEditControl
    : public TViewClassOf<TkvDateEditControl, TkvStdControl, "TkvDateEditControl"> {
 public:
  // NamePrefix "DateEdit", 145 x 21.
  explicit TkvDateEditControl(TConversionContext& context);

  // "Date" (days since 1899-12-30), "DateFormat" (dfShort, dfLong).
  static const TPropertyTable<TkvDateEditControl>& Properties();

  // Payload: DateFormat 1 byte, applied and read by name.
  void LoadLegacy(TStream& stream) override;
  void SaveLegacy(TStream& stream) override;
  // DateFormat.
  void SaveToDocument(TDocumentStream& stream) override;

  double Date = 0;
  std::uint8_t DateFormat = dfShort;
};

// Registers the ten dialog controls as add-ins placed on dialog pages, each with the message id
// of its designer hint, in the order of the add-in registry: the nine standard controls, then the
// database lookup control.
void RegisterDialogControls();

}  // namespace kv
