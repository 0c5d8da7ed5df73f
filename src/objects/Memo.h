// The memo view, the text object of a report: its Memo lines printed in a font, with alignment,
// rotation, line and character spacing, a display format for values and an optional highlight
// (another font style and colours while a condition holds). It reads and writes its payload after
// the common object record (legacy type code 0) and writes its TkvxMemoView element: the common
// attributes, then the text flags, font, spacing, highlight, alignment and display format. The
// rounded-rectangle view derives from it and writes its element through it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "legacy/Primitives.h"
#include "objects/Stretcheable.h"

namespace kv {

// Bits of TkvView::Flags that the memo view gives a meaning (flStretched is every view's).
inline constexpr std::uint16_t flWordWrap = 0x0002;
inline constexpr std::uint16_t flWordBreak = 0x0004;
inline constexpr std::uint16_t flAutoWidth = 0x0008;
inline constexpr std::uint16_t flTextOnly = 0x0010;
inline constexpr std::uint16_t flSuppressRepeated = 0x0020;
inline constexpr std::uint16_t flHideZeros = 0x0040;
inline constexpr std::uint16_t flUnderlines = 0x0080;
inline constexpr std::uint16_t flRTLReading = 0x0100;

// Bits of TkvMemoView::Alignment. The low two bits are the horizontal alignment (0 left, 1 right,
// 2 centre, 3 justified); the text is at the top when neither vertical bit is set.
inline constexpr std::int32_t alHorizontalMask = 0x3;
inline constexpr std::int32_t alRotated90 = 0x4;
inline constexpr std::int32_t alVerticalCenter = 0x8;
inline constexpr std::int32_t alBottom = 0x10;

// The kinds of display format: the low four bits of the top byte of TkvView::FormatCode.
enum TFormatKind : std::uint8_t {
  fkText = 0,
  fkNumber = 1,
  fkDate = 2,
  fkTime = 3,
  fkBoolean = 4,
};
// The sub-kind that takes its format from TkvView::FormatText.
inline constexpr std::uint8_t CustomFormatSubKind = 4;

// The parts of a packed FormatCode.
struct TDisplayFormat {
  std::uint8_t Kind;      // (code >> 24) & 0xF
  std::uint8_t SubKind;   // (code >> 16) & 0xFF
  std::uint8_t Decimals;  // (code >> 8) & 0xFF
  char DecimalSeparator;  // code & 0xFF
};
TDisplayFormat UnpackFormatCode(std::int32_t formatCode);

// The predefined formats of the date, time and boolean kinds (sub-kinds 0 to 3), read from the
// library messages (55175-55178, 55179-55182, 55170-55173) once on first use.
const std::array<std::string, 4>& DateFormats();
const std::array<std::string, 4>& TimeFormats();
const std::array<std::string, 4>& BooleanFormats();

class TkvMemoView : public TViewClassOf<TkvMemoView, TkvStretcheable, "TkvMemoView"> {
 public:
  // TypeCode 0 (memo), NamePrefix "Memo", Flags stretched and word wrap.
  explicit TkvMemoView(TConversionContext& context);

  // The names of TkvView first (declared here, handled there), then "Font.Name" to "RTLReading":
  // the font through SetFontProperty/GetFontProperty, "Alignment", the spacings, the flag names
  // and the read-only "Lines.Count". "Font", "DisplayFormat" and "Highlight" are the designer's
  // dialogs and are only declared.
  static const TPropertyTable<TkvMemoView>& Properties();
  // The line-list methods on "LINES" (the Memo), then those of TkvStretcheable.
  TVariant RunMethod(const std::string& name, const TVariant& argument1, const TVariant& argument2,
                     const TVariant& argument3) override;

  // The common record, then the memo payload (font, alignment, character set, highlight,
  // spacings) as the file's version holds it.
  void LoadLegacy(TStream& stream) override;
  // The common record, then the memo payload in the layout of version 25. RecordMinor stays as
  // it is.
  void SaveLegacy(TStream& stream) override;
  // The common attributes, then the memo's: text flags, font, spacings, highlight (only with a
  // condition), alignment, rotation and display format.
  void SaveToDocument(TDocumentStream& stream) override;
  // Word break when set, the decimal digits of a numeric format, a character set other than
  // ANSI and the default, and a display format that has no format text in the document.
  void DocumentLosses(std::vector<std::string>& losses) const override;

  TkvFont Font;
  // Horizontal alignment, rotation and vertical alignment (the al... bits).
  std::int32_t Alignment = 0;
  // The font style while the highlight condition holds, as a stored style word (1 italic,
  // 2 bold, 4 underline, 8 strike-out).
  std::uint16_t HighlightStyle = 0x2;
  TColor HighlightFontColor = clBlack;
  // The fill while the condition holds; clTransparent for none.
  TColor HighlightColor = clWhite;
  // An expression; empty means no highlight.
  std::string HighlightCondition;
  // Extra pixels between lines and between characters.
  std::int32_t LineSpacing = 2;
  std::int32_t CharSpacing = 0;
};

// Registers TkvMemoView as the class of the built-in type code 0.
void RegisterMemoFamily();

}  // namespace kv
