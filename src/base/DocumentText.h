// The text helpers of the new XML report document: the one place where text reaches a document
// (converted from the system code page to UTF-8, so that every document is valid UTF-8), the two
// escaping forms of attribute values, the hexadecimal form of binary property blocks and the
// decimal separator of floating-point values.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/Stream.h"

namespace kv {

// Appends text, converted from the system code page to UTF-8. Single-byte code pages convert
// through a byte table built once per code page; the others go through CodePageToUtf8.
void WriteText(TStream& stream, std::string_view text);
// WriteText, then CR LF.
void WriteLine(TStream& stream, std::string_view text);

// What escaping does with control bytes below 32 other than tab, LF and CR: XML 1.0 allows them
// in no form, so they are dropped; only the report's password keeps them, because its reader
// undoes the shift that produced them.
enum class TControlBytes { Drop, Keep };

// A copy of text in which tab, LF, CR, '"', '&', '<' and '>' become "&#9;", "&#10;", "&#13;",
// "&#34;", "&#38;", "&#60;" and "&#62;". Other control bytes below 32 are dropped or kept as
// they are. The apostrophe and every other byte, from 128 up too, stay.
std::string EscapeXml(std::string_view text, TControlBytes controls = TControlBytes::Drop);
// True when text holds a control byte that EscapeXml drops (below 32, other than tab, LF, CR).
bool HoldsForbiddenControl(std::string_view text);

// The form of values that are written without escaping (names): only '"', '&' and '<', which
// would break the document, become "&#34;", "&#38;" and "&#60;"; control bytes are dropped as in
// EscapeXml; every other byte stays.
std::string EscapeName(std::string_view text);

// Every byte of the stream, from its start, as two upper-case hexadecimal digits.
std::string StreamToHex(const TMemoryStream& stream);

// Appends one attribute: a blank, name, '=', and the value in double quotes. The value is written
// as given: the caller escapes it as the attribute requires.
void WriteAttribute(TStream& stream, std::string_view name, std::string_view value);
// The same with a signed decimal number.
void WriteAttribute(TStream& stream, std::string_view name, std::int64_t value);

// The decimal separator of floating-point values in documents: one process-wide setting, "."
// until the program sets the one of the user's locale at start.
void SetDocumentDecimalSeparator(char separator);
char DocumentDecimalSeparator();
// The decimal separator of the C locale in force (after setlocale(LC_ALL, "") the user's); "."
// when the locale's separator is not a single byte.
char LocaleDecimalSeparator();

}  // namespace kv
