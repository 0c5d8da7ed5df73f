// The value encodings of legacy report files (integers, booleans, texts, line lists, fonts, dates)
// and the shared value types they carry: colour values, fonts and the font style set. Every reader
// goes through the bounds-checked TStream, so data that ends inside a value raises EReadError
// ("Stream read error") instead of yielding garbage.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "base/Hex.h"
#include "base/Stream.h"

namespace kv {

// ---- Colour values ------------------------------------------------------------------------------

// A colour: 0x00BBGGRR for an explicit colour, top byte 0xFF for a system colour (index in the low
// byte), clTransparent for none. Stored and copied as it is; never resolved.
using TColor = std::int32_t;

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clTransparent = 0x1FFFFFFF;
// System colours: 0xFF000000 plus the index.
inline constexpr TColor clSystemColor = static_cast<TColor>(0xFF000000u);
inline constexpr TColor clWindow = static_cast<TColor>(0xFF000005u);
inline constexpr TColor clWindowText = static_cast<TColor>(0xFF000008u);
inline constexpr TColor clBtnFace = static_cast<TColor>(0xFF00000Fu);

// ---- Fonts --------------------------------------------------------------------------------------

enum class TFontStyle : std::uint8_t { fsBold = 0, fsItalic = 1, fsUnderline = 2, fsStrikeOut = 3 };

// A set of font styles. Mask() gives the set as bits by member order (1 bold, 2 italic,
// 4 underline, 8 strike-out), which is also the form the new document writes; the legacy file
// uses another bit order (StyleToStored).
class TFontStyles {
 public:
  constexpr TFontStyles() = default;
  constexpr TFontStyles(std::initializer_list<TFontStyle> styles) {
    for (TFontStyle style : styles) Include(style);
  }
  static constexpr TFontStyles FromMask(unsigned mask) {
    TFontStyles styles;
    styles.Bits = static_cast<std::uint8_t>(mask & 0x0F);
    return styles;
  }

  constexpr bool Contains(TFontStyle style) const { return (Bits & Bit(style)) != 0; }
  constexpr void Include(TFontStyle style) { Bits = static_cast<std::uint8_t>(Bits | Bit(style)); }
  constexpr void Exclude(TFontStyle style) { Bits = static_cast<std::uint8_t>(Bits & ~Bit(style)); }
  constexpr bool Empty() const { return Bits == 0; }
  constexpr std::uint8_t Mask() const { return Bits; }

  friend constexpr bool operator==(TFontStyles a, TFontStyles b) { return a.Bits == b.Bits; }

 private:
  static constexpr std::uint8_t Bit(TFontStyle style) {
    return static_cast<std::uint8_t>(1u << static_cast<unsigned>(style));
  }
  std::uint8_t Bits = 0;
};

inline constexpr std::uint8_t DefaultCharset = 1;

// A font value: name, size in points, style, colour and character set.
struct TkvFont {
  std::string Name = "Arial";
  std::int32_t Size = 10;
  TFontStyles Style;
  TColor Color = clBlack;
  std::uint8_t Charset = DefaultCharset;

  friend bool operator==(const TkvFont&, const TkvFont&) = default;
};

// The style word of legacy files: 1 italic, 2 bold, 4 underline, 8 strike-out; higher bits are
// ignored when reading and never written.
TFontStyles StyleFromStored(std::uint16_t word);
std::uint16_t StyleToStored(TFontStyles styles);

// The character set that fonts of report objects start with: the number that message 55337 holds
// ("1" unless localised), read once on first use. A text that is not a whole number from 0 to 255
// gives DefaultCharset.
std::uint8_t DefaultFontCharset();

// The height in pixels of a font of the given point size on a screen of pixelsPerInch, as the
// new document writes font heights: -(points * pixelsPerInch / 72) with the quotient rounded half
// away from zero (10 points give -13 at 96 pixels per inch). Computed in 64 bits, so that no size
// read from a file overflows.
std::int64_t FontHeightPixels(std::int32_t points, int pixelsPerInch = 96);

// ---- Scalars ------------------------------------------------------------------------------------

std::uint8_t ReadByte(TStream& stream);
void WriteByte(TStream& stream, std::uint8_t value);
// Signed 16-bit.
std::int16_t ReadWord(TStream& stream);
void WriteWord(TStream& stream, std::int16_t value);
// Signed 32-bit.
std::int32_t ReadInt(TStream& stream);
void WriteInt(TStream& stream, std::int32_t value);
// One byte: any non-zero value reads as true; true is written as 1.
bool ReadBool8(TStream& stream);
void WriteBool8(TStream& stream, bool value);
// Two bytes: any non-zero value reads as true; true is written as 0xFFFF.
bool ReadBool16(TStream& stream);
void WriteBool16(TStream& stream, bool value);
// An IEEE double: days since 1899-12-30, the fraction being the local time of day.
double ReadDateTime(TStream& stream);
void WriteDateTime(TStream& stream, double value);

// ---- Texts --------------------------------------------------------------------------------------

// Word n (unsigned), n bytes, one byte that is read and ignored.
std::string ReadLegacyString(TStream& stream);
// Word n, n bytes, byte 0. A text longer than 65535 bytes stores its length modulo 65536 and only
// that many of its first bytes, so the record stays readable.
void WriteLegacyString(TStream& stream, std::string_view text);
// The bytes up to a 0 byte, which is consumed and not part of the text.
std::string ReadZeroString(TStream& stream);
// ReadZeroString for files of version 22 and below, else ReadLegacyString.
std::string ReadStoredString(TStream& stream, std::uint8_t version);

// ---- Line lists (memos) -------------------------------------------------------------------------
// Each reader clears lines first; on a read error the lines read so far stay in the list.

// Word count (only zero matters); with count 0 one terminator byte; otherwise lines of word n and
// n bytes, each followed by a byte that continues the list unless it is 0.
void ReadLegacyMemo(TStream& stream, std::vector<std::string>& lines);
// Word count; each line as word n and n bytes, byte 13 between lines; byte 0 at the end. Counts
// and line lengths above 65535 are stored as WriteLegacyString stores lengths, except that a
// non-empty list never stores the count 0 (which would read back as an empty list).
void WriteLegacyMemo(TStream& stream, const std::vector<std::string>& lines);
// Bytes up to a 0 byte; byte 13 ends a line; the text before the 0 is a last line unless empty.
void ReadZeroMemo(TStream& stream, std::vector<std::string>& lines);
// ReadZeroMemo for files of version 22 and below, else ReadLegacyMemo.
void ReadStoredMemo(TStream& stream, std::vector<std::string>& lines, std::uint8_t version);

// ---- Font records -------------------------------------------------------------------------------

// Name (ReadLegacyString), integer size, style word, integer colour, word character set (its low
// byte).
TkvFont ReadLegacyFont(TStream& stream);
void WriteLegacyFont(TStream& stream, const TkvFont& font);

}  // namespace kv
