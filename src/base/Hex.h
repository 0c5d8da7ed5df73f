// Hexadecimal text of byte strings: the report password in legacy files and the binary property
// blocks of new documents.
#pragma once

#include <string>
#include <string_view>

namespace kv {

// Two upper-case hexadecimal digits per byte, high nibble first.
std::string HexEncode(std::string_view text);
// One byte per pair of digits (either case), high nibble first; an odd last character is ignored.
// Decoding stops at the first pair that is not two hexadecimal digits.
std::string HexDecode(std::string_view text);

}  // namespace kv
