// Named-property routines that report objects share: the font sub-properties, the script methods
// of line-list properties and the small expression evaluator those methods use for arguments.
#pragma once

#include <string>
#include <vector>

#include "base/Variant.h"
#include "legacy/Primitives.h"

namespace kv {

// Sets "FONT.NAME" (text), "FONT.SIZE" (integer points), "FONT.STYLE" (integer in the stored
// style-word convention) or "FONT.COLOR" (integer colour value); upperName is already upper case.
// Returns false, changing nothing, for any other name.
bool SetFontProperty(TkvFont& font, const std::string& upperName, const TVariant& value);
// The value of one of those four sub-properties; empty for any other name.
TVariant GetFontProperty(const TkvFont& font, const std::string& upperName);

// Script methods on the line-list property named property (upper case):
//   SETINDEXPROPERTY(property, index, text)  sets a line; GETINDEXPROPERTY(property, index)
//   returns it; property.ADD(expr) appends a line; property.CLEAR() empties the list;
//   property.DELETE(expr) removes the line at an index; property.INDEXOF(expr) returns the index
//   of the first line equal to the value, or -1.
// Names compare ignoring case. Indexes outside the list change nothing and read as empty. Any
// other method, or an index method for another property, returns empty and changes nothing.
TVariant RunListMethod(std::vector<std::string>& list, const std::string& method,
                       const TVariant& argument1, const TVariant& argument2,
                       const TVariant& argument3, const std::string& property);

// The value of a script argument: a quoted text ('...' with '' for an apostrophe, or "..." with
// "" for a double quote) gives the text between the quotes; a decimal integer gives an integer, a
// decimal number with a point or an exponent gives a double; anything else gives the text as it is.
// Blanks around the expression are ignored.
TVariant EvaluateExpression(const std::string& text);

// A line list as one text, the lines separated by CR LF (how memo properties are read).
std::string LinesToText(const std::vector<std::string>& lines);

}  // namespace kv
