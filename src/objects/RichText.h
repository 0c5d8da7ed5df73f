// The rich text view, an add-in object that prints formatted text (RTF), typed in the designer
// or read from a database field named by the first memo line ("DataField"). Nothing here reads
// or renders RTF: the view keeps the bytes of its record as they are and writes them back
// unchanged, to the legacy record and, inside a binary property block, to the Propdata
// attribute of its TkvxRichView element.
#pragma once

#include <cstdint>
#include <string>

#include "objects/Stretcheable.h"

namespace kv {

// Bit of TkvView::Flags that the rich text view gives a meaning besides flStretched: the text
// is printed as stored, without evaluating bracketed expressions. The memo's flTextOnly bit.
inline constexpr std::uint16_t flRichTextOnly = 0x0010;

class TkvRichView : public TViewClassOf<TkvRichView, TkvStretcheable, "TkvRichView"> {
 public:
  // The view defaults (so a new rich text view is stretched), NamePrefix "Rich", no text.
  explicit TkvRichView(TConversionContext& context);

  // The names of TkvView, then "GapX", "GapY", "Lines" (the designer's rich text editor),
  // "Stretched", "TextOnly" (flRichTextOnly) and "DataField".
  static const TPropertyTable<TkvRichView>& Properties();

  // The common record, then a text flag (1 byte), the absolute end position of the text
  // (4 bytes) and, when the flag is not 0, the RTF up to that position. Reading goes on at the
  // end position; one outside the record's data marks the record damaged.
  void LoadLegacy(TStream& stream) override;
  void SaveLegacy(TStream& stream) override;
  // The common attributes, then Propdata (the RTF in a binary property "RichEdit"), StretchMode
  // when stretched, AllowExpressions "False" when text only, DataSet and DataField when the
  // first memo line resolves.
  void SaveToDocument(TDocumentStream& stream) override;

  // The text in RTF, exactly as read from the record; empty for no text.
  std::string RichText;
};

// Registers the add-in TkvRichView as an object.
void RegisterRichTextFamily();

}  // namespace kv
