// Writes the binary form files of the form conversion comparison (bench/dfm2txt_vs_fpc) with the
// library's own form writer: forms of a report project, from a few components to a hundred, with
// the kinds of values real forms hold (numbers, texts, identifiers, sets, binary data,
// collections, lists, floats). The same count gives the same files.
// Usage: kv_bench_forms FOLDER [COUNT]
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "base/Files.h"
#include "base/FormWriter.h"
#include "base/Stream.h"

namespace {

// A small fixed-seed generator, so that every run writes the same forms.
struct TRandom {
  std::uint32_t State;
  std::uint32_t Next() {
    State ^= State << 13;
    State ^= State >> 17;
    State ^= State << 5;
    return State;
  }
  int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint32_t>(n)); }
};

const char* const Classes[] = {"TkvReport", "TkvDBDataSet", "TLabel", "TEdit", "TButton",
                               "TPanel", "TCheckBox", "TComboBox", "TkvBarCodeObject", "TMemo"};

void WriteComponent(kv::TFormWriter& w, TRandom& r, int index, int depth) {
  const char* cls = Classes[r.Below(10)];
  w.WriteComponentHeader(cls, std::string(cls + 1) + std::to_string(index));
  w.WritePropName("Left");
  w.WriteInteger(r.Below(800));
  w.WritePropName("Top");
  w.WriteInteger(r.Below(600));
  w.WritePropName("Width");
  w.WriteInteger(20 + r.Below(400));
  w.WritePropName("Height");
  w.WriteInteger(12 + r.Below(300));
  w.WritePropName("Caption");
  w.WriteText("Caption of component " + std::to_string(index) +
              std::string(static_cast<std::size_t>(r.Below(60)), 'x'));
  w.WritePropName("Font.Name");
  w.WriteText("MS Sans Serif");
  w.WritePropName("Font.Style");
  w.WriteSet(r.Below(2) ? std::vector<std::string>{"fsBold"} : std::vector<std::string>{});
  w.WritePropName("Anchors");
  w.WriteSet({"akLeft", "akTop", "akRight"});
  w.WritePropName("Color");
  w.WriteIdent(r.Below(2) ? "clBtnFace" : "clWindow");
  w.WritePropName("Visible");
  w.WriteBoolean(r.Below(4) != 0);
  w.WritePropName("TabOrder");
  w.WriteInteger(index);
  w.WritePropName("Tag");
  w.WriteInteger(static_cast<std::int64_t>(r.Next()));
  if (r.Below(3) == 0) {
    w.WritePropName("Zoom");
    w.WriteExtended(1.25L + r.Below(100) / 8.0L);
  }
  if (r.Below(3) == 0) {
    w.WritePropName("Items.Strings");
    w.WriteListBegin();
    for (int i = 0, n = 1 + r.Below(12); i < n; ++i) w.WriteText("Item " + std::to_string(i));
    w.WriteListEnd();
  }
  if (r.Below(4) == 0) {
    w.WritePropName("Columns");
    w.WriteCollectionBegin();
    for (int i = 0, n = 1 + r.Below(6); i < n; ++i) {
      w.WriteListBegin();
      w.WritePropName("Title");
      w.WriteText("Column " + std::to_string(i));
      w.WritePropName("Width");
      w.WriteInteger(40 + r.Below(100));
      w.WriteListEnd();
    }
    w.WriteListEnd();
  }
  if (r.Below(5) == 0) {
    w.WritePropName("ReportForm");
    std::string data(static_cast<std::size_t>(16 + r.Below(400)), '\0');
    for (char& c : data) c = static_cast<char>(r.Next());
    w.WriteBinary(data);
  }
  w.WriteListEnd();
  // Panels hold components of their own.
  if (depth < 2 && std::string_view(cls) == "TPanel") {
    for (int i = 0, n = r.Below(5); i < n; ++i) WriteComponent(w, r, index * 100 + i, depth + 1);
  }
  w.WriteListEnd();
}

std::string FormFile(int number) {
  TRandom r{static_cast<std::uint32_t>(2463534242u + number * 7919u)};
  kv::TMemoryStream stream;
  kv::TFormWriter w(stream, 1252);
  w.WriteSignature();
  const std::string name = "Form" + std::to_string(number);
  w.WriteComponentHeader("T" + name, name);
  w.WritePropName("Caption");
  w.WriteText("Report form " + std::to_string(number));
  w.WritePropName("ClientWidth");
  w.WriteInteger(640);
  w.WritePropName("ClientHeight");
  w.WriteInteger(480);
  w.WritePropName("PixelsPerInch");
  w.WriteInteger(96);
  w.WriteListEnd();
  // Most forms are small, a few are large.
  const int components = r.Below(8) == 0 ? 40 + r.Below(80) : 3 + r.Below(25);
  for (int i = 1; i <= components; ++i) WriteComponent(w, r, i, 0);
  w.WriteListEnd();
  return kv::FormResourceFromStream(stream.Bytes(), "T" + name);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: kv_bench_forms FOLDER [COUNT]\n");
    return 2;
  }
  const std::string folder = argv[1];
  const int count = argc > 2 ? std::atoi(argv[2]) : 170;
  try {
    for (int i = 1; i <= count; ++i) {
      kv::WriteFileSafely(folder + "/Unit" + std::to_string(i) + ".dfm", FormFile(i), false);
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "kv_bench_forms: %s\n", e.what());
    return 1;
  }
  return 0;
}
