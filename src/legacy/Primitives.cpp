// The value encodings of legacy report files. Readers use only the bounds-checked TStream reads;
// writers keep every length word in step with the bytes that follow it.
#include "legacy/Primitives.h"

#include <charconv>

#include "base/Errors.h"
#include "legacy/Messages.h"

namespace kv {

namespace {

// The first version whose strings and memos are length-prefixed.
constexpr std::uint8_t FirstLengthPrefixedVersion = 23;

constexpr std::uint8_t LineSeparator = 13;

bool ZeroTerminatedLayout(std::uint8_t version) {
  return version < FirstLengthPrefixedVersion;
}

// A length word n followed by n bytes. A text longer than 65535 bytes does not fit the word;
// rather than store a cut text, the save fails with a clear error.
void WriteCountedBytes(TStream& stream, std::string_view text) {
  if (text.size() > 0xFFFF) {
    throw EKvError("A text of " + std::to_string(text.size()) +
                   " bytes is too long for the legacy layout (at most 65535)");
  }
  const auto length = static_cast<std::uint16_t>(text.size());
  stream.WriteU16(length);
  stream.Write(text.data(), length);
}

}  // namespace

// ---- Fonts --------------------------------------------------------------------------------------

TFontStyles StyleFromStored(std::uint16_t word) {
  TFontStyles styles;
  if (word & 0x1) styles.Include(TFontStyle::fsItalic);
  if (word & 0x2) styles.Include(TFontStyle::fsBold);
  if (word & 0x4) styles.Include(TFontStyle::fsUnderline);
  if (word & 0x8) styles.Include(TFontStyle::fsStrikeOut);
  return styles;
}

std::uint16_t StyleToStored(TFontStyles styles) {
  std::uint16_t word = 0;
  if (styles.Contains(TFontStyle::fsItalic)) word |= 0x1;
  if (styles.Contains(TFontStyle::fsBold)) word |= 0x2;
  if (styles.Contains(TFontStyle::fsUnderline)) word |= 0x4;
  if (styles.Contains(TFontStyle::fsStrikeOut)) word |= 0x8;
  return word;
}

std::uint8_t DefaultFontCharset() {
  static const std::uint8_t charset = [] {
    std::string text = MessageText(55337);
    const auto first = text.find_first_not_of(' ');
    const auto last = text.find_last_not_of(' ');
    if (first == std::string::npos) return DefaultCharset;
    text = text.substr(first, last - first + 1);
    int number = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size() || number < 0 || number > 255) {
      return DefaultCharset;
    }
    return static_cast<std::uint8_t>(number);
  }();
  return charset;
}

std::int64_t FontHeightPixels(std::int32_t points, int pixelsPerInch) {
  const std::int64_t product = std::int64_t{points} * pixelsPerInch;
  std::int64_t quotient = product / 72;
  const std::int64_t remainder = product % 72;
  // Halves away from zero: the remainder carries the sign of the product.
  if (2 * remainder >= 72) ++quotient;
  if (2 * remainder <= -72) --quotient;
  return -quotient;
}

// ---- Scalars ------------------------------------------------------------------------------------

std::uint8_t ReadByte(TStream& stream) {
  return stream.ReadU8();
}
void WriteByte(TStream& stream, std::uint8_t value) {
  stream.WriteU8(value);
}

std::int16_t ReadWord(TStream& stream) {
  return stream.ReadI16();
}
void WriteWord(TStream& stream, std::int16_t value) {
  stream.WriteI16(value);
}

std::int32_t ReadInt(TStream& stream) {
  return stream.ReadI32();
}
void WriteInt(TStream& stream, std::int32_t value) {
  stream.WriteI32(value);
}

bool ReadBool8(TStream& stream) {
  return stream.ReadU8() != 0;
}
void WriteBool8(TStream& stream, bool value) {
  stream.WriteU8(value ? 1 : 0);
}

bool ReadBool16(TStream& stream) {
  return stream.ReadU16() != 0;
}
void WriteBool16(TStream& stream, bool value) {
  stream.WriteU16(value ? 0xFFFF : 0);
}

double ReadDateTime(TStream& stream) {
  return stream.ReadF64();
}
void WriteDateTime(TStream& stream, double value) {
  stream.WriteF64(value);
}

// ---- Texts --------------------------------------------------------------------------------------

std::string ReadLegacyString(TStream& stream) {
  const std::uint16_t length = stream.ReadU16();
  std::string text = stream.ReadBytes(length);
  stream.ReadU8();  // the terminator, whatever its value
  return text;
}

void WriteLegacyString(TStream& stream, std::string_view text) {
  WriteCountedBytes(stream, text);
  stream.WriteU8(0);
}

std::string ReadZeroString(TStream& stream) {
  std::string text;
  for (;;) {
    const std::uint8_t byte = stream.ReadU8();  // raises at the end of the data
    if (byte == 0) return text;
    text.push_back(static_cast<char>(byte));
  }
}

std::string ReadStoredString(TStream& stream, std::uint8_t version) {
  return ZeroTerminatedLayout(version) ? ReadZeroString(stream) : ReadLegacyString(stream);
}

// ---- Line lists ---------------------------------------------------------------------------------

void ReadLegacyMemo(TStream& stream, std::vector<std::string>& lines) {
  lines.clear();
  if (stream.ReadU16() == 0) {
    stream.ReadU8();  // the terminator of an empty list
    return;
  }
  // The number of lines follows the separators, not the count: only a 0 byte ends the list.
  for (;;) {
    const std::uint16_t length = stream.ReadU16();
    lines.push_back(stream.ReadBytes(length));
    if (stream.ReadU8() == 0) return;
  }
}

void WriteLegacyMemo(TStream& stream, const std::vector<std::string>& lines) {
  // Readers only test the count for zero. Modulo 65536 a non-empty list of 65536·k lines would
  // store 0 and read back as an empty list followed by garbage, so it stores 65535 instead.
  std::uint16_t count = static_cast<std::uint16_t>(lines.size() & 0xFFFF);
  if (count == 0 && !lines.empty()) count = 0xFFFF;
  stream.WriteU16(count);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) stream.WriteU8(LineSeparator);
    WriteCountedBytes(stream, lines[i]);
  }
  stream.WriteU8(0);
}

void ReadZeroMemo(TStream& stream, std::vector<std::string>& lines) {
  lines.clear();
  std::string line;
  for (;;) {
    const std::uint8_t byte = stream.ReadU8();  // raises at the end of the data
    if (byte == LineSeparator) {
      lines.push_back(std::move(line));
      line.clear();
    } else if (byte == 0) {
      if (!line.empty()) lines.push_back(std::move(line));
      return;
    } else {
      line.push_back(static_cast<char>(byte));
    }
  }
}

void ReadStoredMemo(TStream& stream, std::vector<std::string>& lines, std::uint8_t version) {
  if (ZeroTerminatedLayout(version)) {
    ReadZeroMemo(stream, lines);
  } else {
    ReadLegacyMemo(stream, lines);
  }
}

// ---- Font records -------------------------------------------------------------------------------

TkvFont ReadLegacyFont(TStream& stream) {
  TkvFont font;
  font.Name = ReadLegacyString(stream);
  font.Size = stream.ReadI32();
  font.Style = StyleFromStored(stream.ReadU16());
  font.Color = stream.ReadI32();
  font.Charset = static_cast<std::uint8_t>(stream.ReadU16() & 0xFF);
  return font;
}

void WriteLegacyFont(TStream& stream, const TkvFont& font) {
  WriteLegacyString(stream, font.Name);
  stream.WriteI32(font.Size);
  stream.WriteU16(StyleToStored(font.Style));
  stream.WriteI32(font.Color);
  stream.WriteU16(font.Charset);
}

// ---- Hexadecimal text ---------------------------------------------------------------------------

}  // namespace kv
