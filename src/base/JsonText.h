// Texts for JSON output and for checks of UTF-8: what the command line prints for scripts and
// what the window saves as a run's results.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kv {

// Length of the valid UTF-8 sequence at text[i], or 0 when the bytes there are not one.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t i);

// A JSON string literal (with quotes). Bytes that do not form valid UTF-8 are written as the
// character of the same number (\u00XX), so the output is always valid JSON.
std::string JsonString(std::string_view text);

// A JSON array of texts of the system code page, each converted to UTF-8 first.
std::string JsonCodePageTexts(const std::vector<std::string>& texts);

}  // namespace kv
