// Small probes of report objects shared by the object tests: a record read from bytes, the record
// and the element an object writes, its own attributes, its losses and its published names.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/Stream.h"
#include "legacy/Context.h"
#include "legacy/Report.h"
#include "legacy/View.h"

namespace kv::test {

// Loads bytes into view and returns how many were left unread (a sentinel byte is appended).
inline std::int64_t LoadInto(TkvView& view, const std::string& bytes) {
  TMemoryStream stream(bytes + "\x5A");
  view.LoadLegacy(stream);
  return stream.Remaining();
}

// The record an object writes after its header.
inline std::string Saved(TkvView& view) {
  TMemoryStream stream;
  view.SaveLegacy(stream);
  return stream.Bytes();
}

// The element an object writes, without the closing characters the document writer adds, with
// the code page and decimal separator of the object's context.
inline std::string Document(TkvView& view) {
  TMemoryStream stream;
  TDocumentStream document(stream, view.Context().CodePage, view.Context().DecimalSeparator);
  view.SaveToDocument(document);
  return stream.Bytes();
}

// The element after the common attributes, which end with Restrictions.
inline std::string AfterCommonPart(TkvView& view) {
  const std::string element = Document(view);
  const std::size_t at = element.find(" Restrictions=\"");
  return element.substr(element.find('"', at + 15) + 1);
}

// The value of the first attribute called name in a start tag; "<absent>" when there is none.
inline std::string AttributeValue(const std::string& element, const std::string& name) {
  const std::string key = " " + name + "=\"";
  const std::size_t at = element.find(key);
  if (at == std::string::npos) return "<absent>";
  const std::size_t start = at + key.size();
  return element.substr(start, element.find('"', start) - start);
}

inline std::vector<std::string> Losses(const TkvView& view) {
  std::vector<std::string> losses;
  view.DocumentLosses(losses);
  return losses;
}

// The names an object declares, in order.
inline std::vector<std::string> PropertyNames(TkvObject& object) {
  object.DeclareProperties();
  std::vector<std::string> names;
  for (const auto& rec : object.PropList) names.push_back(rec->Name);
  return names;
}

// Saves report in the legacy layout and loads the bytes into loaded, as a file would be read.
inline void Reload(TkvReport& report, TkvReport& loaded) {
  TMemoryStream file;
  report.SaveReportStream(file);
  TMemoryStream in(file.Bytes());
  loaded.LoadReportStream(in);
}

// The new document of a report, written to memory.
inline std::string DocumentOf(TkvReport& report) {
  TMemoryStream document;
  report.DocumentMode = true;
  report.SaveReportStream(document);
  report.DocumentMode = false;
  return document.Bytes();
}

}  // namespace kv::test
