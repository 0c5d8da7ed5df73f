// Binary form streams: the conversion of a binary form (with or without its resource header) into
// the equivalent text form. The value codes are those of the form writer.
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

#include "base/FormWriter.h"
#include "base/Stream.h"

namespace kv {

// Components, lists and collections nested deeper than this are refused with
// "Invalid stream format", so hostile input cannot exhaust the stack.
inline constexpr int MaxFormNesting = 1000;

// Reads a resource header at the input's position (type 10, any name length), then converts the
// form stream that follows with FormBinaryToText.
void FormResourceToText(TStream& input, TStream& output, int codePage);

// Reads the signature and the root component at the input's position and appends their text form
// to the output at its position. The input is left just after the root component; nothing after it
// is read. Errors: "Invalid stream format", "Error reading <component>.<property>: <code>",
// "Invalid property value", "Stream read error". Text produced before an error has been written to
// the output when the error is raised. Byte texts are in codePage, whose characters a long text is
// never split inside.
void FormBinaryToText(TStream& input, TStream& output, int codePage);

}  // namespace kv
