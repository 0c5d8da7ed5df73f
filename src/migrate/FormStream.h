// Binary form streams: the value codes of the binary property format and the conversion of a
// binary form (with or without its resource header) into the equivalent text form.
//
// Resource header (little-endian):
//   0xFF | u16 resource type = 10 | name bytes, 0 | u16 memory flags | u32 size of the form stream
// Form stream:
//   "TPF0", then one component:
//   [prefix 0xF0|flags: 1 inherited, 2 position follows (an integer value), 4 inline]
//   class name, component name (short names: a length byte and the bytes),
//   properties (short name + value), 0, child components, 0.
#pragma once

#include <cstdint>

#include "legacy/Stream.h"

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

// Components, lists and collections nested deeper than this are refused with
// "Invalid stream format", so hostile input cannot exhaust the stack.
inline constexpr int MaxFormNesting = 1000;

// Reads a resource header at the input's position (type 10, any name length), then converts the
// form stream that follows with FormBinaryToText.
void FormResourceToText(TStream& input, TStream& output);

// Reads the signature and the root component at the input's position and appends their text form
// to the output at its position. The input is left just after the root component; nothing after it
// is read. Errors: "Invalid stream format", "Error reading <component>.<property>: <code>",
// "Invalid property value", "Stream read error". Text produced before an error has been written to
// the output when the error is raised.
void FormBinaryToText(TStream& input, TStream& output);

}  // namespace kv
