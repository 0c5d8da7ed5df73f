// Builds the binary form file of the example project (a binary form turned into text during a
// migration) with the library's own form writer. The example report files come from
// tools/MakeReports.cpp.
// Usage: kv_mkexamples form OUTPUT.dfm
#include <cstdio>
#include <exception>

#include "base/Files.h"
#include "base/FormWriter.h"
#include "base/Stream.h"

namespace {

std::string ReportFormStream() {
  kv::TMemoryStream stream;
  kv::TFormWriter w(stream, 1252);
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

}  // namespace

int main(int argc, char** argv) {
  const std::string kind = argc == 3 ? argv[1] : "";
  if (kind != "form") {
    std::fprintf(stderr, "usage: kv_mkexamples form OUTPUT.dfm\n");
    return 2;
  }
  try {
    kv::WriteFileSafely(argv[2], kv::FormResourceFromStream(ReportFormStream(), "TREPORTFORM"));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "kv_mkexamples: %s\n", e.what());
    return 1;
  }
  return 0;
}
