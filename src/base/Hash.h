// A fast 64-bit non-cryptographic hash of byte strings, used to tell whether a file still holds
// the bytes a run read or wrote. Its values are stored in journals, so they never change from one
// version or machine to the next.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kv {

std::uint64_t HashBytes(std::string_view bytes);

// The hash as 16 lower-case hexadecimal digits, and back; ParseHashText returns false for any
// other text.
std::string HashText(std::uint64_t hash);
bool ParseHashText(std::string_view text, std::uint64_t& hash);

}  // namespace kv
