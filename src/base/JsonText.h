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

// A JSON string literal (with quotes). Valid UTF-8 characters are written as they are (control
// characters as \u00XX escapes); a byte that is no part of a valid UTF-8 character (E9 of a
// Latin-1 file name) is written as the lone surrogate \uDCXX, XX its value. No character is
// written that way, so the bytes can be recovered exactly: this is how Python reads file names
// (surrogateescape), and a reader that refuses lone surrogates says so rather than taking the
// text for a different name.
std::string JsonString(std::string_view text);

// A JSON array of texts of a code page, each converted to UTF-8 first.
std::string JsonCodePageTexts(const std::vector<std::string>& texts, int codePage);

}  // namespace kv
