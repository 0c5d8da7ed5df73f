// Code pages: texts of the model are byte strings in the code page of their conversion (Windows-1252
// unless configured; a conversion context names it). The code page decides which bytes lead a
// double-byte character and how texts are converted to UTF-8 and 16-bit text.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace kv {

// The code page number of UTF-8, whose characters take one to four bytes.
constexpr int Utf8CodePage = 65001;

// Code pages whose bytes from 0x81 up may lead a two-byte character.
bool IsDoubleByteCodePage(int codePage);
// Raises EConfigError for a code page the platform cannot convert.
void CheckCodePage(int codePage);

// The lead bytes of a double-byte code page as a table indexed by byte; nullptr for any other
// code page. 932: 0x81-0x9F and 0xE0-0xFC; 936, 949 and 950: 0x81-0xFE. A lead byte and the byte
// after it form one character; no trail byte of these code pages is a CR or an LF.
const std::array<bool, 256>* LeadByteTable(int codePage);
// True when byte is a lead byte of a double-byte character in the code page.
bool IsLeadByte(int codePage, std::uint8_t byte);
// True when text[index] (0-based) is the second byte of a double-byte character, scanning from
// the start of the text; under UTF-8, when it is any byte of a character but its first. Always
// false for a single-byte code page.
bool IsTrailByteAt(std::string_view text, std::size_t index, int codePage);

// Text of the code page to UTF-8 (the platform's converter). Bytes the code page does not define
// become U+FFFD.
std::string CodePageToUtf8(std::string_view text, int codePage);
// UTF-8 to the code page (the platform's converter); characters the code page lacks become "?".
std::string Utf8ToCodePage(std::string_view text, int codePage);
// UTF-8 to UTF-16 code units; every malformed byte becomes U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);

}  // namespace kv
