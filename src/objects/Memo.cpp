// The memo view: defaults, named properties, the memo payload of the legacy record, the memo
// attributes of the document element and what the element does not carry.
#include "objects/Memo.h"

#include <optional>

#include "base/Ascii.h"
#include "base/DocumentText.h"
#include "legacy/Context.h"
#include "legacy/Factory.h"
#include "legacy/Messages.h"
#include "legacy/PropertyRoutines.h"

namespace kv {

namespace {

std::array<std::string, 4> FormatTable(int firstMessage) {
  std::array<std::string, 4> table;
  for (int i = 0; i < 4; ++i) table[static_cast<std::size_t>(i)] = MessageText(firstMessage + i);
  return table;
}

// The sub-kind 3 of dates writes this text instead of the table's fourth entry.
constexpr const char* LongDateFormat = "dd mmmm yyyy";

// The value of DisplayFormat.FormatStr before escaping; none when the kind or sub-kind has no
// format text (text kind, unknown kinds, sub-kinds above the custom one). The custom text is the
// memo's own (text); the others are predefined.
std::optional<std::string_view> FormatStrOf(const TDisplayFormat& format, const std::string& text) {
  if (format.Kind < fkNumber || format.Kind > fkBoolean) return std::nullopt;
  if (format.SubKind == CustomFormatSubKind) return text;
  if (format.SubKind > CustomFormatSubKind) return std::nullopt;
  const std::size_t sub = format.SubKind;
  switch (format.Kind) {
    case fkNumber: {
      static constexpr const char* numeric[] = {"%g", "%2.2f", "%2.2n", "%2.2m"};
      return numeric[sub];
    }
    case fkDate:
      if (sub == 3) return LongDateFormat;
      return DateFormats()[sub];
    case fkTime:
      return TimeFormats()[sub];
    default:
      return BooleanFormats()[sub];
  }
}

// The document's vertical alignment: centre 2 wins over bottom 1; top is 0.
std::int64_t VerticalAlignmentToDocument(std::int32_t alignment) {
  if (alignment & alVerticalCenter) return 2;
  if (alignment & alBottom) return 1;
  return 0;
}

// Getter and setter of one bit of Flags, for the property table.
template <std::uint16_t Bit>
TVariant GetFlag(const TkvMemoView& m) {
  return (m.Flags & Bit) != 0;
}
template <std::uint16_t Bit>
void SetFlag(TkvMemoView& m, const TVariant& x) {
  m.Flags = static_cast<std::uint16_t>(VarToInt(x) != 0 ? (m.Flags | Bit) : (m.Flags & ~Bit));
}

}  // namespace

TDisplayFormat UnpackFormatCode(std::int32_t formatCode) {
  const auto code = static_cast<std::uint32_t>(formatCode);
  return {.Kind = static_cast<std::uint8_t>((code >> 24) & 0xF),
          .SubKind = static_cast<std::uint8_t>((code >> 16) & 0xFF),
          .Decimals = static_cast<std::uint8_t>((code >> 8) & 0xFF),
          .DecimalSeparator = static_cast<char>(code & 0xFF)};
}

const std::array<std::string, 4>& DateFormats() {
  static const std::array<std::string, 4> table = FormatTable(55175);
  return table;
}

const std::array<std::string, 4>& TimeFormats() {
  static const std::array<std::string, 4> table = FormatTable(55179);
  return table;
}

const std::array<std::string, 4>& BooleanFormats() {
  static const std::array<std::string, 4> table = FormatTable(55170);
  return table;
}

// ---- TkvMemoView --------------------------------------------------------------------------------

TkvMemoView::TkvMemoView(TConversionContext& context) : TViewClassOf(context) {
  TypeCode = TypeMemo;
  NamePrefix = "Memo";
  Flags = flStretched | flWordWrap;
  Font.Charset = DefaultFontCharset();
}

const TPropertyTable<TkvMemoView>& TkvMemoView::Properties() {
  using M = TkvMemoView;
  static const TPropertyTable<TkvMemoView> table{
      TPropertyTable<TkvMemoView>::TAfterParent{},
      {
          {"Font.Name", [](const M& m) { return GetFontProperty(m.Font, "FONT.NAME"); },
           [](M& m, const TVariant& x) { SetFontProperty(m.Font, "FONT.NAME", x); }},
          {"Font.Size", [](const M& m) { return GetFontProperty(m.Font, "FONT.SIZE"); },
           [](M& m, const TVariant& x) { SetFontProperty(m.Font, "FONT.SIZE", x); }},
          {"Font.Style", [](const M& m) { return GetFontProperty(m.Font, "FONT.STYLE"); },
           [](M& m, const TVariant& x) { SetFontProperty(m.Font, "FONT.STYLE", x); }},
          {"Font.Color", [](const M& m) { return GetFontProperty(m.Font, "FONT.COLOR"); },
           [](M& m, const TVariant& x) { SetFontProperty(m.Font, "FONT.COLOR", x); }},
          {"Font"},  // the font dialog
          {"Alignment", [](const M& m) -> TVariant { return std::int64_t{m.Alignment}; },
           [](M& m, const TVariant& x) { m.Alignment = VarToInt32(x); }},
          {"DisplayFormat"},  // the format dialog
          {"Highlight"},      // the highlight dialog
          {"LineSpacing", [](const M& m) -> TVariant { return std::int64_t{m.LineSpacing}; },
           [](M& m, const TVariant& x) { m.LineSpacing = VarToInt32(x); }},
          {"CharSpacing", [](const M& m) -> TVariant { return std::int64_t{m.CharSpacing}; },
           [](M& m, const TVariant& x) { m.CharSpacing = VarToInt32(x); }},
          {"GapX"},
          {"GapY"},
          {"Stretched"},
          {"WordWrap", GetFlag<flWordWrap>, SetFlag<flWordWrap>},
          {"WordBreak", GetFlag<flWordBreak>, SetFlag<flWordBreak>},
          {"AutoWidth", GetFlag<flAutoWidth>, SetFlag<flAutoWidth>},
          {"TextOnly", GetFlag<flTextOnly>, SetFlag<flTextOnly>},
          {"Suppress", GetFlag<flSuppressRepeated>, SetFlag<flSuppressRepeated>},
          {"HideZeros", GetFlag<flHideZeros>, SetFlag<flHideZeros>},
          {"Lines.Count",
           [](const M& m) -> TVariant { return static_cast<std::int64_t>(m.Memo.size()); }},
          {"Underlines", GetFlag<flUnderlines>, SetFlag<flUnderlines>},
          {"RTLReading", GetFlag<flRTLReading>, SetFlag<flRTLReading>},
      }};
  return table;
}

TVariant TkvMemoView::RunMethod(const std::string& name, const TVariant& argument1,
                                const TVariant& argument2, const TVariant& argument3) {
  const std::string n = AsciiUpper(name);
  const bool indexMethod = n == "SETINDEXPROPERTY" || n == "GETINDEXPROPERTY";
  if (n.starts_with("LINES.") || (indexMethod && SameTextAscii(VarToStr(argument1), "LINES"))) {
    return RunListMethod(Memo, name, argument1, argument2, argument3, "LINES");
  }
  return TkvStretcheable::RunMethod(name, argument1, argument2, argument3);
}

// The memo payload, after the common record:
//   font name                  stored string
//   font size                  4               points
//   font style                 2               stored style word
//   font colour                4
//   Alignment                  4
//   character set              2               low byte; ignored below version 23
//   HighlightStyle             2               unless prepared
//   HighlightFontColor         4               unless prepared
//   HighlightColor             4               unless prepared
//   HighlightCondition         stored string   unless prepared
//   LineSpacing, CharSpacing   4 + 4           version 24 up
void TkvMemoView::LoadLegacy(TStream& stream) {
  TkvStretcheable::LoadLegacy(stream);
  const std::uint8_t version = Context().Load.LegacyVersion;
  Font.Name = ReadStoredString(stream, version);
  Font.Size = ReadInt(stream);
  Font.Style = StyleFromStored(static_cast<std::uint16_t>(ReadWord(stream)));
  Font.Color = ReadInt(stream);
  Alignment = ReadInt(stream);
  const auto charset = static_cast<std::uint8_t>(ReadWord(stream) & 0xFF);
  Font.Charset = version < 23 ? DefaultFontCharset() : charset;
  if (!PreparedRecord) {
    HighlightStyle = static_cast<std::uint16_t>(ReadWord(stream));
    HighlightFontColor = ReadInt(stream);
    HighlightColor = ReadInt(stream);
    HighlightCondition = ReadStoredString(stream, version);
  }
  if (version >= 24) {
    LineSpacing = ReadInt(stream);
    CharSpacing = ReadInt(stream);
  }
  // Memos of version 21 always wrapped their lines.
  if (version == 21) Flags |= flWordWrap;
}

void TkvMemoView::SaveLegacy(TStream& stream) {
  TkvStretcheable::SaveLegacy(stream);
  WriteLegacyString(stream, Font.Name);
  WriteInt(stream, Font.Size);
  WriteWord(stream, static_cast<std::int16_t>(StyleToStored(Font.Style)));
  WriteInt(stream, Font.Color);
  WriteInt(stream, Alignment);
  WriteWord(stream, Font.Charset);
  if (!PreparedRecord) {
    WriteWord(stream, static_cast<std::int16_t>(HighlightStyle));
    WriteInt(stream, HighlightFontColor);
    WriteInt(stream, HighlightColor);
    WriteLegacyString(stream, HighlightCondition);
  }
  WriteInt(stream, LineSpacing);
  WriteInt(stream, CharSpacing);
}

void TkvMemoView::SaveToDocument(TDocumentStream& stream) {
  TkvStretcheable::SaveToDocument(stream);
  // The text flags, each only in its state other than the document's default.
  if (Flags & flStretched) WriteAttribute(stream, "StretchMode", "smMaxHeight");
  if (!(Flags & flWordWrap)) WriteAttribute(stream, "WordWrap", "False");
  if (Flags & flAutoWidth) WriteAttribute(stream, "AutoWidth", "True");
  if (Flags & flTextOnly) WriteAttribute(stream, "AllowExpressions", "False");
  if (Flags & flSuppressRepeated) WriteAttribute(stream, "SuppressRepeated", "True");
  if (Flags & flHideZeros) WriteAttribute(stream, "HideZeros", "True");
  if (Flags & flUnderlines) WriteAttribute(stream, "Underlines", "True");
  if (Flags & flRTLReading) WriteAttribute(stream, "RTLReading", "True");

  WriteNameAttribute(stream, "Font.Name", Font.Name);
  WriteAttribute(stream, "Font.Height", FontHeightPixels(Font.Size));
  WriteAttribute(stream, "Font.Color", Font.Color);
  WriteAttribute(stream, "Font.Style", Font.Style.Mask());
  WriteAttribute(stream, "LineSpacing", LineSpacing);
  WriteAttribute(stream, "CharSpacing", CharSpacing);
  if (!HighlightCondition.empty()) {
    WriteTextAttribute(stream, "Highlight.Condition", HighlightCondition);
    WriteAttribute(stream, "Highlight.Font.Style", StyleFromStored(HighlightStyle).Mask());
    WriteAttribute(stream, "Highlight.Font.Color", HighlightFontColor);
    WriteAttribute(stream, "Highlight.Color", HighlightColor);
  }
  WriteAttribute(stream, "HAlign", Alignment & alHorizontalMask);
  WriteAttribute(stream, "VAlign", VerticalAlignmentToDocument(Alignment));
  if (Alignment & alRotated90) WriteAttribute(stream, "Rotation", "90");

  const TDisplayFormat format = UnpackFormatCode(FormatCode);
  switch (format.Kind) {
    case fkNumber:
      WriteAttribute(stream, "DisplayFormat.Kind", "fkNumeric");
      WriteNameAttribute(stream, "DisplayFormat.DecimalSeparator",
                         std::string_view(&format.DecimalSeparator, 1));
      break;
    case fkDate:
    case fkTime:
      WriteAttribute(stream, "DisplayFormat.Kind", "fkDateTime");
      break;
    case fkBoolean:
      WriteAttribute(stream, "DisplayFormat.Kind", "fkBoolean");
      break;
    default:
      return;
  }
  // Predefined texts are written as they stand (only what would break the document is
  // referenced); the custom text is escaped.
  if (const auto formatStr = FormatStrOf(format, FormatText)) {
    if (format.SubKind == CustomFormatSubKind) {
      WriteTextAttribute(stream, "DisplayFormat.FormatStr", *formatStr);
    } else {
      WriteNameAttribute(stream, "DisplayFormat.FormatStr", *formatStr);
    }
  }
}

void TkvMemoView::DocumentLosses(std::vector<std::string>& losses) const {
  if (Flags & flWordBreak) losses.push_back("word break is not carried into the document");
  // ANSI (0) and the default set name the same text on the converting system.
  if (Font.Charset != 0 && Font.Charset != DefaultFontCharset()) {
    losses.push_back("the font's character set " + std::to_string(Font.Charset) +
                     " is not carried into the document");
  }
  const TDisplayFormat format = UnpackFormatCode(FormatCode);
  if (format.Kind == fkNumber && format.Decimals != 0) {
    losses.push_back("the display format's " + std::to_string(format.Decimals) +
                     " decimal digits are not carried into the document");
  }
  if (format.Kind > fkBoolean) {
    losses.push_back("the display format of unknown kind " + std::to_string(format.Kind) +
                     " is not carried into the document");
  } else if (format.Kind != fkText && !FormatStrOf(format, FormatText)) {
    losses.push_back("the display format's sub-kind " + std::to_string(format.SubKind) +
                     " has no format text, so the document carries only the kind");
  }
}

void RegisterMemoFamily() {
  RegisterBuiltInClass(TypeMemo, TkvMemoView::Class());
}

}  // namespace kv
