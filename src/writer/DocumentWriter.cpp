// The document writer: the frame of a new XML report document around the elements that the report
// objects write themselves.
#include "writer/DocumentWriter.h"

#include <cmath>

#include "base/DocumentText.h"
#include "base/FloatText.h"
#include "base/FormWriter.h"
#include "data/Datasets.h"
#include "legacy/ComponentPath.h"
#include "legacy/Context.h"
#include "legacy/Page.h"
#include "legacy/Report.h"

namespace kv {

namespace {

// Screen pixels per millimetre, and the correction factor (812/775) of the old page model; both
// are extended values so that the result matches the old program's rounding to the last unit.
constexpr long double PixelsPerMillimetre = 3.77953L;
constexpr long double MillimetreCorrection = 1.0477419354838709677L;

// Rounds to the nearest integer, halves to the even neighbour, whatever the floating-point
// rounding mode in force.
std::int64_t RoundHalfEven(long double value) {
  const long double lower = std::floor(value);
  const long double fraction = value - lower;
  auto result = static_cast<std::int64_t>(lower);
  if (fraction > 0.5L || (fraction == 0.5L && (result % 2 != 0))) ++result;
  return result;
}

// Makes report the current report while its document is written and restores the previous one.
class TCurrentReportScope {
 public:
  explicit TCurrentReportScope(TkvReport& report)
      : State(report.Context().Load), Saved(State.CurrentReport) {
    State.CurrentReport = &report;
  }
  ~TCurrentReportScope() { State.CurrentReport = Saved; }
  TCurrentReportScope(const TCurrentReportScope&) = delete;
  TCurrentReportScope& operator=(const TCurrentReportScope&) = delete;

 private:
  TLoadState& State;
  TkvReport* Saved;
};

std::string PageName(int index) {
  return "Page" + std::to_string(index + 1);
}

// The text of a variable's value; floating-point values take the document's decimal separator.
std::string VariableText(const TVariant& value, char decimalSeparator) {
  if (const double* number = std::get_if<double>(&value)) {
    return FormatFloatGeneral(*number, decimalSeparator);
  }
  return VarToStr(value);
}

// The value of a variable as the new document refers to data fields: a value that names a field
// of a database table or query read by one of the report datasets becomes
// <dataset name without a leading "_">."field name">. Unbound report datasets are passed over.
std::string DocumentVariableValue(TConversionContext& context, const TVariant& value) {
  std::string text = VariableText(value, context.DecimalSeparator);
  const TFieldReference reference = ResolveFieldReference(context, text);
  if (!reference.Resolved()) return text;
  const auto* table = dynamic_cast<const TDataSet*>(reference.Dataset);
  if (!table) return text;
  const TkvDBDataSet* bound = ReportDatasetBoundTo(context, *table);
  if (!bound) return text;
  std::string_view name = bound->Name;
  if (!name.empty() && name.front() == '_') name.remove_prefix(1);
  return "<" + std::string(name) + ".\"" + reference.FieldName + "\">";
}

// The document script: the procedures of every page and of its objects, then the main block.
std::string DocumentScript(const TkvReport& report) {
  std::vector<std::string> lines;
  for (int p = 0; p < report.Pages.Count(); ++p) {
    const TkvPage& page = report.Pages.Item(p);
    AddScriptProcedure(PageName(p), page.ScriptLines, lines);
    for (const auto& object : page.ObjectList) {
      AddScriptProcedure(object->Name, object->ScriptLines, lines);
    }
  }
  lines.insert(lines.end(), {"begin", "", "end."});
  std::string text;
  for (const std::string& line : lines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

void WriteReportStartTag(TkvReport& report, TDocumentStream& stream) {
  const TReportOptions& options = report.ReportOptions;
  const char separator = stream.DecimalSeparator;
  TMemoryStream block;
  const std::string properties = ReportPropertyBlock(report);
  block.Write(properties.data(), properties.size());

  WriteText(stream, "<TkvxReport");
  WriteAttribute(stream, "ScriptLanguage", "PascalScript");
  WriteTextAttribute(stream, "ScriptText.text", DocumentScript(report));
  WriteAttribute(stream, "Propdata", StreamToHex(block));
  WriteTextAttribute(stream, "ReportOptions.Name", options.Name);
  WriteTextAttribute(stream, "ReportOptions.Author", options.Author);
  WriteTextAttribute(stream, "ReportOptions.Description.text", options.Description);
  WriteAttribute(stream, "ReportOptions.CreateDate",
                 FormatFloatGeneral(options.CreateDate, separator));
  WriteAttribute(stream, "ReportOptions.LastChange",
                 FormatFloatGeneral(options.LastChange, separator));
  WriteTextAttribute(stream, "ReportOptions.VersionMajor", options.VersionMajor);
  WriteTextAttribute(stream, "ReportOptions.VersionMinor", options.VersionMinor);
  WriteTextAttribute(stream, "ReportOptions.VersionRelease", options.VersionRelease);
  WriteTextAttribute(stream, "ReportOptions.VersionBuild", options.VersionBuild);
  // The password keeps its control bytes: the new format's reader undoes the shift.
  WriteTextAttribute(stream, "ReportOptions.Password", ShiftPassword(options.Password),
                     TControlBytes::Keep);
  WriteLine(stream, ">");
}

// Writes the start tag of a report page and returns the shift of its objects' left coordinates:
// the document measures them from the left margin, the legacy model from the paper edge.
std::int64_t WriteReportPageTag(const TkvPage& page, const std::string& name, TDocumentStream& stream) {
  const std::int64_t paperWidth = page.Metrics.PaperWidthPx;
  const std::int64_t paperHeight = page.Metrics.PaperHeightPx;
  WriteText(stream, "<TkvxReportPage");
  WriteAttribute(stream, "Name", name);
  WriteAttribute(stream, "Orientation", page.Orientation != 0 ? "poLandscape" : "poPortrait");
  WriteAttribute(stream, "PaperWidth", PixelsToMillimetres(paperWidth));
  WriteAttribute(stream, "PaperHeight", PixelsToMillimetres(paperHeight));
  WriteAttribute(stream, "PaperSize", page.Size);
  WriteAttribute(stream, "LeftMargin", PixelsToMillimetres(page.LeftEdge()));
  WriteAttribute(stream, "RightMargin", PixelsToMillimetres(paperWidth - page.RightEdge()));
  WriteAttribute(stream, "TopMargin", PixelsToMillimetres(page.TopEdge()));
  WriteAttribute(stream, "BottomMargin", PixelsToMillimetres(paperHeight - page.BottomEdge()));
  WriteAttribute(stream, "Columns", page.Columns);
  WriteAttribute(stream, "ColumnWidth", page.ColumnWidth);
  if (page.PrintToPrevPage) WriteAttribute(stream, "PrintOnPreviousPage", "True");
  if (!page.ScriptLines.empty()) WriteAttribute(stream, "OnBeforePrint", name + "OnBeforePrint");
  return -page.LeftEdge();
}

// Writes the start tag of a dialog page; its objects keep their coordinates.
std::int64_t WriteDialogPageTag(const TkvPage& page, const std::string& name, TDocumentStream& stream) {
  WriteText(stream, "<TkvxDialogPage");
  WriteAttribute(stream, "Name", name);
  WriteAttribute(stream, "Height", page.Height);
  WriteAttribute(stream, "Left", page.Left);
  WriteAttribute(stream, "Top", page.Top);
  WriteAttribute(stream, "Width", page.Width);
  WriteAttribute(stream, "BorderStyle", page.BorderStyle);
  WriteTextAttribute(stream, "Caption", page.Caption);
  WriteAttribute(stream, "Color", page.Color);
  WriteAttribute(stream, "Position", page.Position);
  if (!page.ScriptLines.empty()) WriteAttribute(stream, "OnActivate", name + "OnBeforePrint");
  return 0;
}

// Restores an object's left coordinate however its element writer ends.
class TLeftRestore {
 public:
  explicit TLeftRestore(TkvView& view) : View(view), Saved(view.Left) {}
  ~TLeftRestore() { View.Left = Saved; }
  TLeftRestore(const TLeftRestore&) = delete;
  TLeftRestore& operator=(const TLeftRestore&) = delete;

 private:
  TkvView& View;
  std::int64_t Saved;
};

void WritePage(TkvPage& page, int index, TDocumentStream& stream) {
  const std::string name = PageName(index);
  stream.SetPart(index);
  const bool dialog = page.PageType == ptDialog;
  const std::int64_t shift =
      dialog ? WriteDialogPageTag(page, name, stream) : WriteReportPageTag(page, name, stream);
  if (page.ObjectList.empty()) {
    WriteLine(stream, "/>");
    return;
  }
  WriteLine(stream, ">");
  for (const auto& object : page.ObjectList) {
    const std::int64_t start = stream.Position();
    {
      TLeftRestore restore(*object);
      // Coordinates are 64-bit in the model, so the shift is exact for every value a file holds.
      object->Left += shift;
      stream.SetPart(index, object->Name);
      object->SaveToDocument(stream);
    }
    // An object without an element (a band type the new format has no class for) leaves no line.
    if (stream.Position() != start) WriteLine(stream, "/>");
  }
  WriteLine(stream, dialog ? "</TkvxDialogPage>" : "</TkvxReportPage>");
}

}  // namespace

std::string ShiftPassword(std::string_view text) {
  std::string shifted(text);
  for (char& c : shifted) {
    c = static_cast<char>(static_cast<std::uint8_t>(static_cast<std::uint8_t>(c) - 10));
  }
  return shifted;
}

void AddScriptProcedure(std::string_view name, const std::vector<std::string>& lines,
                        std::vector<std::string>& target) {
  if (lines.empty()) return;
  const std::string procedure(name);
  const bool block = lines.front() == "begin";
  target.push_back("procedure " + procedure + "OnBeforePrint(Sender: TkvxComponent);");
  target.push_back("begin");
  target.push_back("  with " + procedure + ", Engine do");
  target.push_back("  begin");
  if (!block) target.push_back(lines.front());
  if (lines.size() >= 3) target.insert(target.end(), lines.begin() + 1, lines.end() - 1);
  if (!block) {
    if (lines.size() > 1) target.push_back(lines.back());
    target.push_back("  end");
    target.push_back("end;");
  } else {
    target.push_back("  end");
    // A one-line script "begin" is its own last line.
    target.push_back(lines.back() + ";");
  }
  target.push_back("");
}

std::int64_t PixelsToMillimetres(std::int64_t pixels) {
  const long double millimetres =
      static_cast<long double>(pixels) / PixelsPerMillimetre * MillimetreCorrection;
  return RoundHalfEven(millimetres);
}

std::string ReportPropertyBlock(TkvReport& report) {
  TCurrentReportScope current(report);
  TMemoryStream block;
  TConversionContext& context = report.Context();
  TFormWriter writer(block, context.CodePage);
  const std::vector<TkvDataset*> datasets = ReportDatasets(context);
  writer.WritePropName("Datasets");
  writer.WriteCollectionBegin();
  for (const TkvDataset* dataset : datasets) {
    writer.WriteListBegin();
    writer.WritePropName("DataSet");
    writer.WriteNil();
    writer.WritePropName("DataSetName");
    writer.WriteText(dataset->Name);
    writer.WriteListEnd();
  }
  writer.WriteListEnd();

  const TkvVariables& variables = report.Dictionary.VariableList;
  writer.WritePropName("Variables");
  writer.WriteCollectionBegin();
  for (int i = 0; i < variables.Count(); ++i) {
    writer.WriteListBegin();
    writer.WritePropName("Name");
    writer.WriteText(variables.Name(i));
    writer.WritePropName("Value");
    writer.WriteText(DocumentVariableValue(context, variables.Value(i)));
    writer.WriteListEnd();
  }
  writer.WriteListEnd();
  return block.Bytes();
}

void WriteDocument(TkvReport& report, TStream& target) {
  TCurrentReportScope current(report);
  report.DroppedControls.clear();
  const TConversionContext& context = report.Context();
  TDocumentStream stream(target, context.CodePage, context.DecimalSeparator);
  WriteLine(stream, "<?xml version=\"1.0\" encoding=\"utf-8\"?>");
  stream.SetPart(-1);
  WriteReportStartTag(report, stream);
  for (int p = 0; p < report.Pages.Count(); ++p) WritePage(report.Pages.Item(p), p, stream);
  WriteLine(stream, "</TkvxReport>");
  report.DroppedControls = stream.TakeDropped();
}

}  // namespace kv
