// Writing the binary property format: the values of binary property blocks and whole binary form
// streams, plus the resource header that makes a form stream a binary form file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/Stream.h"

namespace kv {

// The one-byte code that starts every value of the binary property format.
enum class TValueCode : std::uint8_t {
  Null = 0,      // also, as a byte of its own, the end of every list
  List = 1,      // values, then 0
  Int8 = 2,      // signed byte
  Int16 = 3,     // signed 16-bit
  Int32 = 4,     // signed 32-bit
  Extended = 5,  // 80-bit float
  Text = 6,      // length byte, bytes
  Ident = 7,     // length byte, characters
  False = 8,
  True = 9,
  Binary = 10,    // u32 length, bytes
  Set = 11,       // short names, then an empty name
  LongText = 12,  // u32 length, bytes
  Nil = 13,
  Collection = 14,  // items ([integer index] 1 properties 0), then 0
  Single = 15,      // 32-bit float
  Currency = 16,    // signed 64-bit amount × 10 000
  Date = 17,        // 64-bit float
  WideText = 18,    // u32 count of UTF-16LE units, units
  Int64 = 19,       // signed 64-bit
  Utf8Text = 20,    // u32 byte length, UTF-8 bytes
};

// Writes values in the binary property format at the stream's position. A component is
// WriteComponentHeader, its properties (WritePropName + one value each), WriteListEnd, its child
// components, WriteListEnd. A list is WriteListBegin, values, WriteListEnd. A collection is
// WriteCollectionBegin, items, WriteListEnd; an item is an optional WriteInteger (its index),
// WriteListBegin, properties, WriteListEnd.
class TFormWriter {
 public:
  // codePage: the code page of the texts given to WriteText.
  TFormWriter(TStream& output, int codePage) : Output(output), CodePage(codePage) {}

  // The signature "TPF0" that opens a form stream.
  void WriteSignature();
  // Prefix byte 0xF0|flags when flags is not 0 (1 inherited, 2 position follows, 4 inline), the
  // position as an integer value when flag 2 is set, then class name and component name.
  void WriteComponentHeader(std::string_view className, std::string_view name,
                            std::uint8_t flags = 0, std::int32_t position = 0);
  // A short name: a length byte and the bytes; a name longer than 255 bytes is cut to 255.
  void WritePropName(std::string_view name);

  // The smallest integer code that holds value: Int8, Int16, Int32, else Int64.
  void WriteInteger(std::int64_t value);
  void WriteInt64(std::int64_t value);
  // Code 20 with the UTF-8 form (from the system code page) when any byte is 128 or above;
  // otherwise code 6 up to 255 bytes, code 12 beyond.
  void WriteText(std::string_view text);
  void WriteWideText(std::u16string_view text);
  void WriteIdent(std::string_view ident);
  void WriteBoolean(bool value);
  void WriteNull();
  void WriteNil();
  void WriteListBegin();
  // The 0 byte that ends a list, a collection item, a collection, a property list or the list of
  // child components.
  void WriteListEnd();
  void WriteCollectionBegin();
  void WriteSet(const std::vector<std::string>& names);
  void WriteBinary(std::string_view bytes);
  void WriteSingle(float value);
  // A currency amount held as the whole number of ten-thousandths (1.5 is 15000).
  void WriteCurrency(std::int64_t tenThousandths);
  void WriteDate(double value);
  void WriteExtended(long double value);

 private:
  void WriteCode(TValueCode code) { Output.WriteU8(static_cast<std::uint8_t>(code)); }
  // A 32-bit length; raises EStreamError for data of 4 GiB or more.
  void WriteLength(std::size_t length);

  TStream& Output;
  int CodePage;
};

// A binary form file: the resource header (0xFF, type 10, resourceName and 0, memory flags
// 0x1030, size of the form stream) followed by formStream. The name is written up to its first
// 0 byte.
std::string FormResourceFromStream(std::string_view formStream, std::string_view resourceName);

}  // namespace kv
