// Builds the example files that are made by the library itself: the binary form file of the
// example project (a binary form turned into text during a migration) and a legacy report file.
// Usage: kv_mkexamples form OUTPUT.dfm | kv_mkexamples report OUTPUT.kvf
#include <cstdio>
#include <exception>

#include "legacy/Files.h"
#include "legacy/Report.h"
#include "legacy/Stream.h"
#include "migrate/FormWriter.h"

namespace {

std::string ReportFormStream() {
  kv::TMemoryStream stream;
  kv::TFormWriter w(stream);
  w.WriteSignature();
  w.WriteComponentHeader("TReportForm", "ReportForm");
  w.WritePropName("Left");
  w.WriteInteger(192);
  w.WritePropName("Top");
  w.WriteInteger(114);
  w.WritePropName("Width");
  w.WriteInteger(544);
  w.WritePropName("Height");
  w.WriteInteger(375);
  w.WritePropName("Caption");
  w.WriteText("Monthly reports");
  w.WritePropName("Color");
  w.WriteIdent("clBtnFace");
  w.WritePropName("Font.Name");
  w.WriteText("MS Sans Serif");
  w.WritePropName("Font.Style");
  w.WriteSet({});
  w.WritePropName("OldCreateOrder");
  w.WriteBoolean(false);
  w.WritePropName("PixelsPerInch");
  w.WriteInteger(96);
  w.WriteListEnd();

  w.WriteComponentHeader("TkvReport", "kvReport2");
  w.WritePropName("InitialZoom");
  w.WriteIdent("pzDefault");
  w.WritePropName("ModalPreview");
  w.WriteBoolean(true);
  w.WritePropName("PreviewButtons");
  w.WriteSet({"pbZoom", "pbLoad", "pbSave", "pbPrint", "pbFind", "pbExit"});
  w.WritePropName("Title");
  w.WriteText("Sales by region: a report with a title long enough to be split over two lines");
  w.WritePropName("Left");
  w.WriteInteger(24);
  w.WritePropName("Top");
  w.WriteInteger(16);
  w.WritePropName("ReportForm");
  w.WriteBinary(std::string("\x18\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x01\x00", 14));
  w.WriteListEnd();
  w.WriteListEnd();

  w.WriteComponentHeader("TkvDBDataSet", "kvDBDataSet2");
  w.WritePropName("CloseDataSource");
  w.WriteBoolean(true);
  w.WritePropName("Left");
  w.WriteInteger(64);
  w.WritePropName("Top");
  w.WriteInteger(16);
  w.WriteListEnd();
  w.WriteListEnd();

  w.WriteComponentHeader("TkvBarCodeObject", "kvBarCodeObject1");
  w.WritePropName("Left");
  w.WriteInteger(104);
  w.WritePropName("Top");
  w.WriteInteger(16);
  w.WriteListEnd();
  w.WriteListEnd();

  w.WriteListEnd();  // children of ReportForm
  return stream.TakeBytes();
}

// A report of two pages (a report page with a script and a dialog page), variables in a
// category, an alias of a report dataset and filled-in report options.
std::string SalesReport() {
  kv::TkvReport report;
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
  kv::TMemoryStream stream;
  report.SaveReportStream(stream);
  return stream.TakeBytes();
}

}  // namespace

int main(int argc, char** argv) {
  const std::string kind = argc == 3 ? argv[1] : "";
  if (kind != "form" && kind != "report") {
    std::fprintf(stderr,
                 "usage: kv_mkexamples form OUTPUT.dfm | kv_mkexamples report OUTPUT.kvf\n");
    return 2;
  }
  try {
    kv::WriteFileSafely(argv[2], kind == "form"
                                     ? kv::FormResourceFromStream(ReportFormStream(), "TREPORTFORM")
                                     : SalesReport());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "kv_mkexamples: %s\n", e.what());
    return 1;
  }
  return 0;
}
