// The text model of project files: a file's bytes are 8-bit text split into lines at CR LF, LF or
// a lone CR (a break at the very end adds no empty line); written back, every line is followed by
// CR LF. Also the shared line buffer `FileLines` that holds the file being converted.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/Ascii.h"

namespace kv {

// Splits text into lines at CR LF, LF or a lone CR.
std::vector<std::string> SplitLines(std::string_view text);

// Joins lines with CR LF after every line.
std::string JoinLinesCrLf(const std::vector<std::string>& lines);

// The same as JoinLinesCrLf(SplitLines(text)), without building the list: every line break
// becomes CR LF and a last line without a break gets one.
std::string NormalizeLineBreaks(std::string_view text);
// Position of the first CR or LF at or after from, or the text's size.
std::size_t FindBreak(std::string_view text, std::size_t from);
// Where the line holding position at begins: just after the last CR or LF before at, but not
// before floor.
std::size_t LineStartBefore(std::string_view text, std::size_t at, std::size_t floor);
// Appends NormalizeLineBreaks(text) to out.
void AppendNormalizedLines(std::string& out, std::string_view text);

// The line buffer of the file being converted. The lines are kept as the file's bytes, with
// their original breaks between them, so that a file is loaded and searched without splitting;
// NormalizeLineBreaks gives the text as it is written. It is never cleared between files except
// by loading the next file into it. Each converter that reads files one at a time holds one.
struct TFileLines {
  std::string Text;
};

// Sets out to the ASCII upper case of text, eight bytes at a time.
void AsciiUpperInto(std::string_view text, std::string& out);

}  // namespace kv
