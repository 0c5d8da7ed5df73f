// kv3conv inspect: the legacy report model of one .kvf file as JSON, for users and for tests.
#include <cstdio>
#include <exception>
#include <variant>

#include "base/CodePage.h"
#include "base/Files.h"
#include "cli/Commands.h"
#include "cli/Output.h"
#include "legacy/Context.h"
#include "legacy/Report.h"
#include "writer/Conversion.h"
#include "writer/ReportHost.h"

namespace kv::cli {

namespace {

// The model as JSON; texts of the model are in the code page of the conversion.
struct TModelJson {
  int CodePage;

  // A text of the model (in the code page of the conversion) as a JSON string.
  std::string Text(const std::string& text) const {
    return JsonString(CodePageToUtf8(text, CodePage));
  }

  static std::string Number(std::int64_t value) {
    return std::to_string(value);
  }

  static std::string Real(double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.17g", value);
    return buffer;
  }

  static std::string Bool(bool value) {
    return value ? "true" : "false";
  }

  std::string Lines(const std::vector<std::string>& lines) const {
    std::string out = "[";
    for (std::size_t i = 0; i < lines.size(); ++i) out += (i ? ", " : "") + Text(lines[i]);
    return out + "]";
  }

  std::string Variables(const TkvVariables& list) const {
    std::string out = "[";
    for (int i = 0; i < list.Count(); ++i) {
      out += (i ? ", " : "");
      out += "[" + Text(list.Name(i)) + ", " + Text(VarToStr(list.Value(i))) + "]";
    }
    return out + "]";
  }

  // A property value as JSON: numbers, booleans and texts as they are, empty as null.
  std::string ValueJson(const TVariant& value) const {
    if (const auto* n = std::get_if<std::int64_t>(&value)) return Number(*n);
    if (const auto* d = std::get_if<double>(&value)) return Real(*d);
    if (const auto* b = std::get_if<bool>(&value)) return Bool(*b);
    if (const auto* t = std::get_if<std::string>(&value)) return Text(*t);
    return "null";
  }

  // The object's published properties with their values, in the order its class declares them,
  // and the element it writes into a new document (without the page shift). Together they show
  // every field a family reads and what the conversion makes of it.
  std::string ObjectDetails(TkvView& v) const {
    v.PropList.clear();
    v.DeclareProperties();
    std::string out = ", \"properties\": {";
    for (std::size_t i = 0; i < v.PropList.size(); ++i) {
      const std::string& name = v.PropList[i]->Name;
      out += (i ? ", " : "") + Text(name) + ": " + ValueJson(v.QueryProperty(name));
    }
    TMemoryStream element;
    try {
      TDocumentStream document(element, v.Context().CodePage, v.Context().DecimalSeparator);
      v.SaveToDocument(document);
      out += "}, \"element\": " + JsonString(element.Bytes());
    } catch (const std::exception& e) {
      out += "}, \"element\": null, \"elementError\": " + Text(e.what());
    }
    return out;
  }

  std::string PageJson(const TkvPage& p) const {
    const TPageMetrics& m = p.Metrics;
    std::string out =
        "    {\"name\": " + Text(p.Name) + ", \"type\": " + Number(p.PageType) +
        ", \"size\": " + Number(p.Size) + ", \"paperWidth\": " + Number(p.PaperWidth) +
        ", \"paperHeight\": " + Number(p.PaperHeight) +
        ", \"orientation\": " + Number(p.Orientation) + ", \"bin\": " + Number(p.Bin) +
        ",\n     \"margins\": [" + Number(p.LeftMargin) + ", " + Number(p.TopMargin) + ", " +
        Number(p.RightMargin) + ", " + Number(p.BottomMargin) +
        "], \"marginsOn\": " + Bool(p.MarginsOn) +
        ", \"printToPrevPage\": " + Bool(p.PrintToPrevPage) + ", \"columns\": " + Number(p.Columns) +
        ", \"columnGap\": " + Number(p.ColumnGap) +
        ",\n     \"borderStyle\": " + Number(p.BorderStyle) + ", \"caption\": " + Text(p.Caption) +
        ", \"color\": " + Number(p.Color) + ", \"bounds\": [" + Number(p.Left) + ", " +
        Number(p.Top) + ", " + Number(p.Width) + ", " + Number(p.Height) +
        "], \"position\": " + Number(p.Position) + ",\n     \"script\": " + Lines(p.ScriptLines) +
        ",\n     \"metrics\": {\"paperWidthPx\": " + Number(m.PaperWidthPx) +
        ", \"paperHeightPx\": " + Number(m.PaperHeightPx) +
        ", \"offsetXPx\": " + Number(m.OffsetXPx) + ", \"offsetYPx\": " + Number(m.OffsetYPx) +
        ", \"printableWidthPx\": " + Number(m.PrintableWidthPx) +
        ", \"printableHeightPx\": " + Number(m.PrintableHeightPx) + "},\n     \"edges\": [" +
        Number(p.LeftEdge()) + ", " + Number(p.TopEdge()) + ", " + Number(p.RightEdge()) + ", " +
        Number(p.BottomEdge()) + "],\n     \"objects\": [";
    for (std::size_t i = 0; i < p.ObjectList.size(); ++i) {
      TkvView& v = *p.ObjectList[i];
      out += (i ? ",\n       " : "\n       ");
      out += "{\"class\": " + Text(v.ClassName()) + ", \"name\": " + Text(v.Name) +
             ", \"typeCode\": " + Number(v.TypeCode) + ", \"bounds\": [" + Number(v.Left) + ", " +
             Number(v.Top) + ", " + Number(v.Width) + ", " + Number(v.Height) + "]" +
             ObjectDetails(v) + "}";
    }
    return out + (p.ObjectList.empty() ? "]}" : "]}");
  }
};

// Passes everything on and counts the message boxes.
class TCountingPrompter : public TReportPrompter {
 public:
  explicit TCountingPrompter(TReportPrompter& inner) : Inner(inner) {}
  void ReportMessage(const std::string& text, const std::string& caption,
                     TMessageIcon icon) override {
    ++Messages;
    Inner.ReportMessage(text, caption, icon);
  }
  std::optional<std::string> AskReportPassword() override { return Inner.AskReportPassword(); }
  int Messages = 0;

 private:
  TReportPrompter& Inner;
};

}  // namespace

TCliReportPrompter::TCliReportPrompter(std::string file, std::optional<std::string> password,
                                       int codePage, TProgressLine* progress, std::string* printed)
    : File(std::move(file)),
      Password(std::move(password)),
      CodePage(codePage),
      Progress(progress),
      Printed(printed) {}

void TCliReportPrompter::Print(const std::string& line) {
  if (Printed) {
    *Printed += line;
    return;
  }
  if (Progress) Progress->Clear();
  std::fputs(line.c_str(), stderr);
}

void TCliReportPrompter::ReportMessage(const std::string& text, const std::string& caption,
                                       TMessageIcon) {
  // One line per message: its line breaks become blanks.
  std::string shown;
  const std::string converted = CodePageToUtf8(text, CodePage);
  for (std::size_t i = 0; i < converted.size(); ++i) {
    const char c = converted[i];
    if (c == '\r' && i + 1 < converted.size() && converted[i + 1] == '\n') continue;
    shown += c == '\r' || c == '\n' ? ' ' : c;
  }
  Print("kv3conv: " + Printable(File) + ": " + Printable(CodePageToUtf8(caption, CodePage)) + ": " +
        Printable(shown) + "\n");
}

std::optional<std::string> TCliReportPrompter::AskReportPassword() {
  if (!Password) {
    Print("kv3conv: " + Printable(File) +
          ": the report is password-protected; give its password with --password or "
          "--password-file\n");
  }
  return Password;
}

int RunInspect(const TInspectArgs& args) {
  std::optional<std::string> password;
  if (!ReadPasswordOption(args.Password, args.PasswordFile, password)) return ExitUsage;
  TCliReportPrompter prompter(args.Input, password, args.CodePage);
  // The report sits on a form named like the main window's, so that component paths in the
  // file resolve as they do in the desktop program.
  TConversionContext context(args.CodePage, args.DecimalSeparator);
  TReportHost host(context);
  const TModelJson json{args.CodePage};
  TkvReport& report = host.Report();
  // Messages are counted here, so that any message box the load showed makes the exit code 1.
  TCountingPrompter counting(prompter);
  report.Prompter = &counting;
  try {
    if (!report.LoadReportFile(args.Input)) {
      std::fprintf(stderr, "kv3conv: %s: no such file\n", Printable(args.Input).c_str());
      return ExitFileFailed;
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "kv3conv: %s\n", Printable(e.what()).c_str());
    return ExitFileFailed;
  }
  // A file from which no report was read has no model to show.
  if (!report.LastLoad.Read()) {
    std::fprintf(stderr, "kv3conv: %s: %s\n", Printable(args.Input).c_str(),
                 Printable(CodePageToUtf8(LoadFailureText(report.LastLoad), args.CodePage)).c_str());
    return ExitFileFailed;
  }
  const std::vector<std::string> notes = LoadNotes(report);
  for (const std::string& note : notes) {
    std::fprintf(stderr, "kv3conv: %s: %s\n", Printable(args.Input).c_str(),
                 Printable(CodePageToUtf8(note, args.CodePage)).c_str());
  }
  const TReportOptions& o = report.ReportOptions;
  std::string out =
      "{\n  \"file\": " + JsonString(args.Input) +
      ",\n  \"version\": " + json.Number(context.Load.LegacyVersion) +
      ",\n  \"printer\": " + json.Text(report.PrinterName) +
      ",\n  \"ignoreStoredPrinter\": " + json.Bool(report.IgnoreStoredPrinter) +
      ",\n  \"twoPass\": " + json.Bool(report.TwoPass) +
      ",\n  \"reportOptions\": {\"name\": " + json.Text(o.Name) + ", \"author\": " + json.Text(o.Author) +
      ", \"description\": " + json.Text(o.Description) + ", \"version\": [" + json.Text(o.VersionMajor) +
      ", " + json.Text(o.VersionMinor) + ", " + json.Text(o.VersionRelease) + ", " + json.Text(o.VersionBuild) +
      "], \"passwordProtected\": " + json.Bool(report.PasswordProtected) +
      ", \"createDate\": " + json.Real(o.CreateDate) + ", \"lastChange\": " + json.Real(o.LastChange) +
      ", \"generatorVersion\": " + json.Number(report.GeneratorVersion) + "},\n  \"pages\": [";
  for (int i = 0; i < report.Pages.Count(); ++i) {
    out += (i ? ",\n" : "\n") + json.PageJson(report.Pages.Item(i));
  }
  out += report.Pages.Count() ? "\n  ],\n" : "],\n";
  out += "  \"dictionary\": {\"variables\": " + json.Variables(report.Dictionary.VariableList) +
         ", \"aliases\": " + json.Variables(report.Dictionary.AliasList) +
         ", \"datasetAliases\": " + json.Variables(report.Dictionary.DatasetAliasList) + "}\n}\n";
  std::fputs(out.c_str(), stdout);
  return counting.Messages > 0 || !notes.empty() ? ExitFileFailed : ExitOk;
}

bool ReadPasswordOption(const std::string& password, const std::string& passwordFile,
                        std::optional<std::string>& result) {
  if (!password.empty()) result = password;
  if (passwordFile.empty()) return true;
  std::string text;
  try {
    text = ReadFileBytes(passwordFile);
  } catch (const std::exception&) {
    std::fprintf(stderr, "kv3conv: cannot read the password file %s\n",
                 Printable(passwordFile).c_str());
    return false;
  }
  // The first line is the password.
  const std::size_t end = text.find_first_of("\r\n");
  result = end == std::string::npos ? text : text.substr(0, end);
  return true;
}

}  // namespace kv::cli
