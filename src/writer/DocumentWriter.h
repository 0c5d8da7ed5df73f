// The document writer: turns a loaded legacy report into a new XML report document. It writes the
// declaration, the report element (the script gathered from every page and object, the property
// block of report datasets and variables, the report options), one element per page with the
// elements of its objects, and the closing tag.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/Stream.h"

namespace kv {

class TkvReport;

// Writes the whole document of report to stream. The report counts as the current report while
// it is written (component paths of variable values resolve from its owner). The control bytes
// that the document's attribute values could not hold are left out and listed in the report's
// DroppedControls, which the write replaces.
void WriteDocument(TkvReport& report, TStream& stream);

// The password as the document stores it: every character code decreased by 10, modulo 256.
std::string ShiftPassword(std::string_view text);

// Appends the procedure made of one page's or object's script to target; nothing for an empty
// script. A script written as a begin...end block is unwrapped into the procedure, a script of
// bare statements is wrapped whole.
void AddScriptProcedure(std::string_view name, const std::vector<std::string>& lines,
                        std::vector<std::string>& target);

// A page length in screen pixels as whole millimetres, rounded half to even.
std::int64_t PixelsToMillimetres(std::int64_t pixels);

// The value of the report's Propdata attribute before its hexadecimal form: the report datasets
// and the dictionary's variables in the binary property format. The report counts as the current
// report while the block is built, as in WriteDocument.
std::string ReportPropertyBlock(TkvReport& report);

}  // namespace kv
