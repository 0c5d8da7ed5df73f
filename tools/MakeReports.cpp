// Builds the example legacy report files (.kvf) of examples/reports: reports saved by the
// library's own legacy writer (report and dialog pages, scripts, variables, report options, a
// password-protected report, a dialog page with every control and database object), files of the
// older versions 21 to 23, and files of every version from 21 to 25 holding the built-in object
// families (objects/), put together byte by byte, since the library only writes the current
// version.
// Usage: kv_mkreports FOLDER
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "DialogReport.h"
#include "FamilyReports.h"
#include "LegacyBytes.h"
#include "base/Files.h"
#include "base/Stream.h"
#include "legacy/Context.h"
#include "legacy/Report.h"
#include "writer/Registration.h"

namespace {

std::string Saved(kv::TkvReport& report) {
  kv::TMemoryStream stream;
  report.SaveReportStream(stream);
  return stream.TakeBytes();
}

// A report of two pages (a report page with a script and a dialog page), variables in a
// category, an alias of a report dataset and filled-in report options.
std::string SalesReport() {
  kv::TConversionContext context;
  kv::TkvReport report(context);
  kv::TkvPage& page = report.Pages.AddPage();
  page.Name = "Page1";
  page.ChangePaper(9, 0, 0, -1, 0);
  page.LeftMargin = 38;
  page.ScriptLines = {"begin", "  Total := 0;", "end"};
  kv::TkvPage& dialog = report.Pages.AddPage();
  dialog.ChangePaper(9, 0, 0, -1, 0);
  dialog.PageType = kv::ptDialog;
  dialog.Name = "Dialog1";
  dialog.Caption = "Sales period";
  report.Dictionary.VariableList.SetVariable(" Sales", std::string());
  report.Dictionary.VariableList.SetVariable("Total", std::string("SUM([Orders.\"Amount\"])"));
  report.Dictionary.VariableList.SetVariable("Region", std::string("'North'"));
  report.Dictionary.DatasetAliasList.SetVariable("frmMain.kvDBDataSet1", std::string("Orders"));
  report.ReportOptions.Name = "Sales by region";
  report.ReportOptions.Author = "Reporting team";
  report.ReportOptions.Description = "Monthly sales, one page per region";
  report.ReportOptions.VersionMajor = "2";
  report.ReportOptions.VersionMinor = "5";
  report.ReportOptions.CreateDate = 45292.5;  // 2024-01-01 12:00
  return Saved(report);
}

// Three report pages in landscape and portrait, each with its own script, two dialog pages,
// variables in two categories and texts that need escaping in a document.
std::string InventoryReport() {
  kv::TConversionContext context;
  kv::TkvReport report(context);
  report.TwoPass = true;
  kv::TkvPage& cover = report.Pages.AddPage();
  cover.Name = "Cover";
  cover.ChangePaper(9, 0, 0, -1, 1);
  cover.ScriptLines = {"begin", "  Title := 'Stock & <orders>';", "end"};
  kv::TkvPage& list = report.Pages.AddPage();
  list.Name = "Stock";
  list.ChangePaper(9, 0, 0, -1, 0);
  list.Columns = 2;
  list.ColumnGap = 20;
  list.ScriptLines = {"Count := Count + 1;"};
  kv::TkvPage& totals = report.Pages.AddPage();
  totals.Name = "Totals";
  totals.ChangePaper(9, 0, 0, -1, 0);
  totals.PrintToPrevPage = true;
  for (const char* name : {"AskStore", "AskDates"}) {
    kv::TkvPage& dialog = report.Pages.AddPage();
    dialog.ChangePaper(9, 0, 0, -1, 0);
    dialog.PageType = kv::ptDialog;
    dialog.Name = name;
    dialog.Caption = std::string("Choose ") + (name[3] == 'S' ? "a store" : "the dates");
  }
  auto& variables = report.Dictionary.VariableList;
  variables.SetVariable(" Stock", std::string());
  variables.SetVariable("Count", std::int64_t{0});
  variables.SetVariable("Title", std::string("'Stock list'"));
  variables.SetVariable(" Prices", std::string());
  variables.SetVariable("Rate", 1.25);
  variables.SetVariable("Net", std::string("[Price] / (1 + [Rate])"));
  report.ReportOptions.Name = "Inventory \"Q4\"";
  report.ReportOptions.Author = "Stores & Logistics";
  report.ReportOptions.Description = "Stock per store\r\nwith totals";
  report.ReportOptions.VersionMajor = "1";
  report.ReportOptions.VersionMinor = "2";
  report.ReportOptions.VersionRelease = "3";
  report.ReportOptions.VersionBuild = "456";
  report.ReportOptions.CreateDate = 45000.25;
  return Saved(report);
}

// A password-protected report (password "kolvex"): opened only with the password; without it
// the report is one empty page.
std::string ProtectedReport() {
  kv::TConversionContext context;
  kv::TkvReport report(context);
  kv::TkvPage& page = report.Pages.AddPage();
  page.Name = "Salaries";
  page.ChangePaper(9, 0, 0, -1, 0);
  page.ScriptLines = {"begin", "  Visible := Confidential;", "end"};
  report.Pages.AddPage().Name = "Summary";
  report.Dictionary.VariableList.SetVariable("Confidential", std::string("True"));
  report.ReportOptions.Name = "Salaries";
  report.ReportOptions.Password = "kolvex";
  report.PasswordProtected = true;
  return Saved(report);
}

using kv::test::TBytes;

// A file of version 21, 22 or 23 with two pages and no dictionary or trailer:
//   version byte | IgnoreStoredPrinter word | TwoPass word | printer name ("\x01": the default)
//   per page: mark 255 | size | width | height (0.1 mm) | margins L T R B | orientation byte |
//             (versions 21, 22: six reserved bytes) | print-to-previous word | bin word |
//             columns | column gap
//   mark 252: end of the page block
std::string OlderVersionReport(int version) {
  TBytes b;
  b.Byte(version).Word(0).Word(0);
  if (version < 23) {
    b.Zero("\x01");
  } else {
    b.Str("\x01");
  }
  for (const auto& [size, orientation] : {std::pair{9, 0}, std::pair{9, 1}}) {
    b.Byte(255).Int(size).Int(2100).Int(2970).Int(100).Int(100).Int(100).Int(100);
    b.Byte(orientation);
    if (version < 23) b.Data += std::string(6, '\x7F');
    b.Word(0).Word(0xFFFF).Int(1).Int(0);
  }
  b.Byte(252);
  return b.Data;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: kv_mkreports FOLDER\n");
    return 2;
  }
  const std::string folder = argv[1];
  kv::RegisterReportLibrary();
  try {
    const std::vector<std::pair<std::string, std::string>> files = {
        {"Sales.kvf", SalesReport()},
        {"Inventory.kvf", InventoryReport()},
        {"Protected.kvf", ProtectedReport()},
        {"Dialogs.kvf", kv::test::DialogReport()},
        {"older/Version21.kvf", OlderVersionReport(21)},
        {"older/Version22.kvf", OlderVersionReport(22)},
        {"older/Version23.kvf", OlderVersionReport(23)},
    };
    // The built-in object families in every file version whose records differ.
    std::vector<std::pair<std::string, std::string>> all = files;
    for (int version = 21; version <= 25; ++version) {
      all.emplace_back("objects/Version" + std::to_string(version) + ".kvf",
                       kv::test::TFamilyReport(version).Bytes());
    }
    for (const auto& [name, bytes] : all) {
      const std::string path = folder + "/" + name;
      std::filesystem::create_directories(std::filesystem::path(path).parent_path());
      kv::WriteFileSafely(path, bytes);
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "kv_mkreports: %s\n", e.what());
    return 1;
  }
  return 0;
}
