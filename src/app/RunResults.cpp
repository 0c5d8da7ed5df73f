// The window's run results as JSON and CSV.
#include "app/RunResults.h"

#include <cstdint>
#include <vector>

#include "base/CodePage.h"
#include "base/JsonText.h"
#include "writer/Conversion.h"

namespace kv {

namespace {

// One CSV field: quoted when it holds a separator, a quote or a line break, quotes doubled.
std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

std::string Joined(const std::vector<std::string>& texts, int codePage) {
  std::string out;
  for (std::size_t i = 0; i < texts.size(); ++i) out += (i ? "\n" : "") + CodePageToUtf8(texts[i], codePage);
  return out;
}

}  // namespace

std::string SourceResultsJson(const TFileList& list, const std::string& journal) {
  std::int64_t replacements = 0, microseconds = 0;
  std::size_t failed = 0;
  bool interrupted = false;
  std::string out = "{\n  \"files\": [";
  for (std::size_t i = 0; i < list.Rows.size(); ++i) {
    const TFileRow& row = list.Rows[i];
    const std::string& status = row.Cells[1];
    const bool isFailed = status == "Failed";
    failed += isFailed ? 1 : 0;
    interrupted = interrupted || status == "Waiting" || status == "Busy";
    replacements += CellNumber(row.Cells[0]);
    microseconds += CellNumber(row.Cells[2]);
    out += i == 0 ? "\n    " : ",\n    ";
    out += "{\"path\": " + JsonString(row.Caption) +
           ", \"replacements\": " + std::to_string(CellNumber(row.Cells[0])) +
           ", \"microseconds\": " + std::to_string(CellNumber(row.Cells[2])) +
           ", \"status\": " + JsonString(status) +
           ", \"error\": " + (isFailed ? JsonString(row.Error) : "null") + "}";
  }
  out += list.Rows.empty() ? "],\n" : "\n  ],\n";
  out += "  \"total\": {\"files\": " + std::to_string(list.Rows.size()) +
         ", \"replacements\": " + std::to_string(replacements) +
         ", \"microseconds\": " + std::to_string(microseconds) +
         ", \"failed\": " + std::to_string(failed) + ", \"dryRun\": false" +
         ", \"interrupted\": " + (interrupted ? "true" : "false") +
         ", \"journal\": " + (journal.empty() ? "null" : JsonString(journal)) + "}\n}\n";
  return out;
}

std::string SourceResultsCsv(const TFileList& list) {
  std::string out = "path,replacements,microseconds,status,error\r\n";
  for (const TFileRow& row : list.Rows) {
    out += CsvField(row.Caption) + "," + std::to_string(CellNumber(row.Cells[0])) + "," +
           std::to_string(CellNumber(row.Cells[2])) + "," + CsvField(row.Cells[1]) + "," +
           CsvField(row.Cells[1] == "Failed" ? row.Error : std::string()) + "\r\n";
  }
  return out;
}

std::string ReportResultsJson(const TFileList& list, int codePage) {
  std::size_t done = 0, warnings = 0, failedCount = 0;
  std::int64_t microseconds = 0;
  std::string out = "{\n  \"reports\": [";
  for (std::size_t i = 0; i < list.Rows.size(); ++i) {
    const TFileRow& row = list.Rows[i];
    // A row not converted yet has no outcome: it is shown with its status and nothing else.
    const TConversionOutcome none;
    const TConversionOutcome& o = row.Outcome ? *row.Outcome : none;
    if (row.Outcome) {
      done += o.Status == TConversionStatus::Done ? 1 : 0;
      warnings += o.Status == TConversionStatus::Warnings ? 1 : 0;
      failedCount += o.Status == TConversionStatus::Failed ? 1 : 0;
      microseconds += o.Microseconds;
    }
    out += i == 0 ? "\n    " : ",\n    ";
    out += "{\"path\": " + JsonString(row.Caption) + ", \"output\": " + JsonString(o.OutputPath) +
           ", \"status\": " + JsonString(row.Outcome ? StatusWord(o.Status) : row.Cells[1]) +
           ", \"written\": " + (row.Outcome && o.Written() ? "true" : "false") +
           ", \"microseconds\": " + std::to_string(o.Microseconds) +
           ", \"messageCount\": " + std::to_string(o.Messages.size()) +
           ", \"messages\": " + JsonCodePageTexts(o.Messages, codePage) +
           ", \"notes\": " + JsonCodePageTexts(o.Notes, codePage) +
           ", \"problem\": " + (o.Problem.empty() ? "null" : JsonString(o.Problem)) + "}";
  }
  out += list.Rows.empty() ? "],\n" : "\n  ],\n";
  out += "  \"total\": {\"reports\": " + std::to_string(list.Rows.size()) +
         ", \"written\": " + std::to_string(done + warnings) +
         ", \"done\": " + std::to_string(done) + ", \"warnings\": " + std::to_string(warnings) +
         ", \"failed\": " + std::to_string(failedCount) +
         ", \"microseconds\": " + std::to_string(microseconds) + "}\n}\n";
  return out;
}

std::string ReportResultsCsv(const TFileList& list, int codePage) {
  std::string out =
      "path,output,status,written,microseconds,messageCount,messages,notes,problem\r\n";
  for (const TFileRow& row : list.Rows) {
    const TConversionOutcome none;
    const TConversionOutcome& o = row.Outcome ? *row.Outcome : none;
    out += CsvField(row.Caption) + "," + CsvField(o.OutputPath) + "," +
           CsvField(row.Outcome ? StatusWord(o.Status) : row.Cells[1]) + "," +
           (row.Outcome && o.Written() ? "true" : "false") + "," + std::to_string(o.Microseconds) +
           "," + std::to_string(o.Messages.size()) + "," + CsvField(Joined(o.Messages, codePage)) + "," +
           CsvField(Joined(o.Notes, codePage)) + "," + CsvField(o.Problem) + "\r\n";
  }
  return out;
}

}  // namespace kv
