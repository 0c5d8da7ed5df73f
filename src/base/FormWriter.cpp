// Writer of the binary property format and of binary form resources.
#include "base/FormWriter.h"

#include <algorithm>
#include <limits>

#include "base/CodePage.h"
#include "base/Errors.h"

namespace kv {

void TFormWriter::WriteSignature() {
  Output.WriteText("TPF0");
}

void TFormWriter::WriteComponentHeader(std::string_view className, std::string_view name,
                                       std::uint8_t flags, std::int32_t position) {
  flags &= 0x0F;
  if (flags != 0) {
    Output.WriteU8(0xF0 | flags);
    if (flags & 2) WriteInteger(position);
  }
  WritePropName(className);
  WritePropName(name);
}

void TFormWriter::WritePropName(std::string_view name) {
  name = name.substr(0, 255);
  Output.WriteU8(static_cast<std::uint8_t>(name.size()));
  Output.WriteText(name);
}

void TFormWriter::WriteInteger(std::int64_t value) {
  if (value < std::numeric_limits<std::int32_t>::min() ||
      value > std::numeric_limits<std::int32_t>::max()) {
    WriteInt64(value);
  } else if (value >= -128 && value <= 127) {
    WriteCode(TValueCode::Int8);
    Output.WriteU8(static_cast<std::uint8_t>(value));
  } else if (value >= -32768 && value <= 32767) {
    WriteCode(TValueCode::Int16);
    Output.WriteI16(static_cast<std::int16_t>(value));
  } else {
    WriteCode(TValueCode::Int32);
    Output.WriteI32(static_cast<std::int32_t>(value));
  }
}

void TFormWriter::WriteInt64(std::int64_t value) {
  WriteCode(TValueCode::Int64);
  Output.WriteI64(value);
}

void TFormWriter::WriteText(std::string_view text) {
  const bool hasHighBytes = std::any_of(
      text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 128; });
  if (hasHighBytes) {
    const std::string utf8 = CodePageToUtf8(text, CodePage);
    WriteCode(TValueCode::Utf8Text);
    WriteLength(utf8.size());
    Output.WriteText(utf8);
  } else if (text.size() <= 255) {
    WriteCode(TValueCode::Text);
    Output.WriteU8(static_cast<std::uint8_t>(text.size()));
    Output.WriteText(text);
  } else {
    WriteCode(TValueCode::LongText);
    WriteLength(text.size());
    Output.WriteText(text);
  }
}

void TFormWriter::WriteWideText(std::u16string_view text) {
  WriteCode(TValueCode::WideText);
  WriteLength(text.size());
  for (const char16_t unit : text) Output.WriteU16(static_cast<std::uint16_t>(unit));
}

void TFormWriter::WriteIdent(std::string_view ident) {
  WriteCode(TValueCode::Ident);
  WritePropName(ident);
}

void TFormWriter::WriteBoolean(bool value) {
  WriteCode(value ? TValueCode::True : TValueCode::False);
}
void TFormWriter::WriteNull() {
  WriteCode(TValueCode::Null);
}
void TFormWriter::WriteNil() {
  WriteCode(TValueCode::Nil);
}
void TFormWriter::WriteListBegin() {
  WriteCode(TValueCode::List);
}
void TFormWriter::WriteListEnd() {
  Output.WriteU8(0);
}
void TFormWriter::WriteCollectionBegin() {
  WriteCode(TValueCode::Collection);
}

void TFormWriter::WriteSet(const std::vector<std::string>& names) {
  WriteCode(TValueCode::Set);
  // An empty name would end the set early; it is left out.
  for (const std::string& name : names) {
    if (!name.empty()) WritePropName(name);
  }
  Output.WriteU8(0);
}

void TFormWriter::WriteBinary(std::string_view bytes) {
  WriteCode(TValueCode::Binary);
  WriteLength(bytes.size());
  Output.WriteText(bytes);
}

void TFormWriter::WriteSingle(float value) {
  WriteCode(TValueCode::Single);
  Output.WriteF32(value);
}

void TFormWriter::WriteCurrency(std::int64_t tenThousandths) {
  WriteCode(TValueCode::Currency);
  Output.WriteI64(tenThousandths);
}

void TFormWriter::WriteDate(double value) {
  WriteCode(TValueCode::Date);
  Output.WriteF64(value);
}

void TFormWriter::WriteExtended(long double value) {
  WriteCode(TValueCode::Extended);
  Output.WriteF80(value);
}

void TFormWriter::WriteLength(std::size_t length) {
  if (length > std::numeric_limits<std::uint32_t>::max()) {
    throw EStreamError("Value too large for a form stream");
  }
  Output.WriteU32(static_cast<std::uint32_t>(length));
}

std::string FormResourceFromStream(std::string_view formStream, std::string_view resourceName) {
  if (formStream.size() > std::numeric_limits<std::uint32_t>::max()) {
    throw EStreamError("Value too large for a form stream");
  }
  resourceName = resourceName.substr(0, resourceName.find('\0'));
  TMemoryStream resource;
  resource.WriteU8(0xFF);
  resource.WriteU16(10);
  resource.WriteText(resourceName);
  resource.WriteU8(0);
  resource.WriteU16(0x1030);
  resource.WriteU32(static_cast<std::uint32_t>(formStream.size()));
  resource.WriteText(formStream);
  return resource.TakeBytes();
}

}  // namespace kv
