// Legacy report files holding the report-page object families (memos, bands of every type,
// pictures of every graphic kind, a line and a subreport, and one object of every add-in class of
// report pages), put together byte by byte for each file version from 21 to 25, so that the
// readers are checked against the file layout rather than against the library's own writer. The
// example reports, the tests and the fuzz seeds are made from them.
//
// Object record:  type code | (add-ins, code 10) class name | page index |
//                 (24 up) end offset, absolute | common record | payload
// Common record:  (23 up) name | (24 up) record version, two bytes | left, top, width, height |
//                 flags, frame lines (words) | frame width, frame colour | frame style (word) |
//                 fill colour | format code, format text | memo | (23 up) script, visible (word) |
//                 (24 up) restrictions (word), tag, gap x, gap y | (record version 20 up) band
//                 alignment (byte)
// Texts: zero-terminated up to version 22, then a word length, the bytes and one more byte; memos
// up to version 22 lines ended by 13 and a closing 0, then a word count and per line a word
// length, the bytes and a byte that is 0 after the last line.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "LegacyBytes.h"

namespace kv::test {

// The files of this builder name these report datasets; the report host of both programs holds
// them ("kvUserDataset1") or holds a component of that name that is no dataset ("kvReport1").
inline constexpr const char* SampleDataset = "kvUserDataset1";
inline constexpr const char* SampleNotADataset = "kvReport1";

class TFamilyReport {
 public:
  explicit TFamilyReport(int version) : Version(version) {
    // Version 24 files keep the object records of the first 2.x library (record version 10): no
    // blob type in pictures, no master in bands, no band alignment.
    RecordMajor = version >= 25 ? 2 : 1;
    RecordMinor = version >= 25 ? 1 : 0;
  }

  // The whole file: two report pages, the objects of every family on them, the end marker.
  std::string Bytes() {
    TBytes b;
    b.Byte(Version).Word(0).Word(0);
    Text(b, "\x01");  // the virtual printer
    Page(b, "Page1");
    Page(b, "Page2");
    // Bands of every type, one above the other.
    for (int type = 0; type <= 22; ++type) {
      std::string reference;
      if (type == 5) reference = SampleDataset;
      if (type == 8) reference = "5";  // a record count: no dataset
      if (type == 11) reference = SampleNotADataset;
      if (type == 16) reference = "[Orders.\"Region\"] <> \"\"";
      const int flags = type == 2 ? 0x0040 : type == 3 ? 0x0000 : 0x0030;
      Object(b, 2, 0, "Band" + std::to_string(type + 1), 0, 20 * type, 700, 18, flags, type,
             reference, {},
             [&](TBytes& p) { Band(p, type == 16 ? "Band6" : "", type == 5 ? 3 : 1); });
    }
    // Memos: plain; highlighted, aligned and with a numeric format; a date format; word break.
    Object(b, 0, 0, "Memo1", 40, 10, 200, 18, 0x0003, 0, "", {"Hello [Name]"},
           [&](TBytes& p) { Memo(p, "Arial", 10, 0, 0, ""); });
    Object(
        b, 0, 0, "Memo2", 40, 40, 200, 18, 0x0023, 0, "", {"[Total]"},
        [&](TBytes& p) { Memo(p, "Tahoma", 8, 0x1D, 2, "[Total] > 100"); },
        0x01020000 | (2 << 8) | ',');
    Object(
        b, 0, 0, "Memo3", 40, 70, 200, 18, 0x0001, 0, "", {"[Date]"},
        [&](TBytes& p) { Memo(p, "Courier New", 12, 3, 0, ""); }, 0x02030000);
    Object(b, 0, 0, "Memo4", 40, 100, 200, 36, 0x0007, 0, "", {"Long text & \"quotes\""},
           [&](TBytes& p) { Memo(p, "Arial", 9, 0, 1, "", 204); });
    // Pictures of every graphic kind; the last one takes its image from a data field.
    const std::vector<std::string> graphics = {
        "", std::string("BM\x1E\0\0\0\0\0\0\0\x1A\0\0\0", 14) + "pixels",
        std::string("\xD7\xCD\xC6\x9A", 4) + "metafile", std::string("\0\0\x01\0\x01\0", 6),
        std::string("\xFF\xD8\xFF\xE0", 4) + "jpeg"};
    for (int kind = 0; kind <= 4; ++kind) {
      const std::vector<std::string> memo =
          kind == 0 ? std::vector<std::string>{std::string(SampleDataset) + ".\"Photo\""}
                    : std::vector<std::string>{};
      Object(b, 1, 0, "Picture" + std::to_string(kind + 1), 300, 10 + 60 * kind, 50, 50, 0x0005, 0,
             "", memo,
             [&, kind](TBytes& p) { Picture(p, kind, kind == 0 ? 1 : 0, graphics[kind]); });
    }
    // A vertical line and a subreport that prints the second page.
    Object(b, 4, 0, "Line1", 20, 0, 0, 400, 0x0001, 0x4, "", {}, [](TBytes&) {});
    Object(b, 3, 0, "SubReport1", 40, 500, 300, 50, 0x0000, 0, "", {}, [](TBytes& p) { p.Int(1); });
    Object(b, 0, 1, "Memo5", 40, 10, 200, 18, 0x0003, 0, "", {"On the second page"},
           [&](TBytes& p) { Memo(p, "Arial", 10, 0, 0, ""); });
    AddIns(b);
    b.Byte(252);
    return b.Data;
  }

 private:
  int Version;
  int RecordMajor;
  int RecordMinor;

  void Text(TBytes& b, const std::string& s) {
    if (Version <= 22) {
      b.Zero(s);
    } else {
      b.Str(s);
    }
  }

  void Lines(TBytes& b, const std::vector<std::string>& lines) {
    if (Version <= 22) {
      std::string joined;
      for (std::size_t i = 0; i < lines.size(); ++i) joined += (i ? "\r" : "") + lines[i];
      b.Zero(joined);
      return;
    }
    b.Word(static_cast<int>(lines.size()));
    if (lines.empty()) {
      b.Byte(0);
      return;
    }
    for (std::size_t i = 0; i < lines.size(); ++i) {
      b.Word(static_cast<int>(lines[i].size())).Raw(lines[i]).Byte(i + 1 < lines.size() ? 1 : 0);
    }
  }

  // A report page on A4 paper with margins of 10 mm.
  void Page(TBytes& b, const std::string& name) {
    b.Byte(255);
    if (Version >= 24) b.Int(-1);
    b.Int(9).Int(2100).Int(2970).Int(38).Int(38).Int(38).Int(38).Byte(0);
    if (Version < 23) b.Raw(std::string(6, '\x7F'));
    if (Version >= 24) b.Int(-1);
    b.Word(0).Word(0xFFFF).Int(1).Int(0);
    if (Version >= 24) {
      b.Byte(0).Str(name).Byte(3).Str("").Int(-16777201);
      b.Int(220).Int(120).Int(380).Int(300).Byte(4);
      b.Word(0).Byte(0);  // no script
    }
  }

  // The add-in objects of the report pages, one of each class (two charts: options and picture),
  // on the second page. Their records start with type code 10 and the class name.
  void AddIns(TBytes& b) {
    const auto addIn = [&](const std::string& className, const std::string& name, int top,
                           const std::vector<std::string>& memo, auto payload, int flags = 0x0001,
                           int frameTyp = 0) {
      Object(b, 10, 1, name, 300, top, 120, 40, flags, frameTyp, "", memo, payload, 0, className);
    };
    addIn(
        "TkvCrossView", "Cross1", 40, {SampleDataset, "Region;", "Year+;", "Amount+;"},
        [&](TBytes& p) {
          p.Byte(1).Byte(0).Byte(1);  // internal frame, repeat captions, show header
          if (RecordMinor >= 1) p.Byte(0).Int(-1).Int(120);  // grand total, widths
        },
        0x6001, 15);
    addIn(
        "TkvRoundRectView", "RoundRect1", 100, {"Boxed text"},
        [&](TBytes& p) {
          Memo(p, "Arial", 10, 0, 0, "");
          p.Int(0x808080).Int(6).Byte(1).Byte(1).Int(
              10);  // shadow colour and width, sides, corners
        },
        0x0003, 0xFF);
    addIn(
        "TkvChartView", "Chart1", 160, {},
        [&](TBytes& p) {
          p.Byte(0);
          // Options: bar chart, 3D, single series, legend, no axes, marks, point colours, value
          // marks, the top 5; then the reserved bytes, one of them set.
          p.Byte(3).Byte(1).Byte(1).Byte(1).Byte(0).Byte(1).Byte(1).Byte(0).Int(5);
          p.Raw(std::string(35, '\0')).Byte(7);
          p.Str("Memo5").Str("Memo5").Str("Others");
        },
        0x8001);
    addIn(
        "TkvChartView", "Chart2", 220, {},
        [&](TBytes& p) {
          const std::string metafile = std::string("\xD7\xCD\xC6\x9A", 4) + "chart";
          p.Byte(1).Int(static_cast<std::int32_t>(metafile.size())).Raw(metafile);
        },
        0x8001);
    addIn("TkvBarCodeView", "Bar1", 280, {"4006381333931"}, [&](TBytes& p) {
      // Check digit, text, reserved, EAN-13, an older zoom of 3 (1.5 today), 90 degrees.
      p.Byte(1).Byte(1).Byte(0).Byte(14).Int(1).Raw(Double(3.0)).Raw(Double(90.0));
    });
    addIn("TkvShapeView", "Shape1", 340, {}, [&](TBytes& p) { p.Byte(2); });  // an ellipse
    addIn(
        "TkvCheckBoxView", "Check1", 400, {std::string(SampleDataset) + ".\"Paid\""},
        [&](TBytes& p) {
          if (Version > 23) p.Byte(1).Int(0x0000FF);  // a check mark in red
        },
        0x0001, 15);
    addIn(
        "TkvRichView", "Rich1", 460, {},
        [&](TBytes& p) {
          const std::string rtf = "{\\rtf1\\ansi Rich \\b text\\b0\\par}";
          p.Byte(1).Int(static_cast<std::int32_t>(p.Data.size() + 4 + rtf.size())).Raw(rtf);
        },
        0x0011);
    addIn("TkvOLEView", "Ole1", 520, {}, [&](TBytes& p) {
      const std::string storage = std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + "object";
      p.Byte(1).Int(0x434F4442).Int(1).Int(static_cast<std::int32_t>(storage.size())).Raw(storage);
    });
  }

  // The eight bytes of an IEEE 754 double, little-endian.
  static std::string Double(double value) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    std::string bytes;
    for (int i = 0; i < 8; ++i) bytes += static_cast<char>((bits >> (8 * i)) & 0xFF);
    return bytes;
  }

  template <class Payload>
  void Object(TBytes& b, int typeCode, int page, const std::string& name, int left, int top,
              int width, int height, int flags, int frameTyp, const std::string& formatText,
              const std::vector<std::string>& memo, Payload payload, int formatCode = 0,
              const std::string& className = "") {
    const std::size_t start = b.Data.size();
    b.Byte(typeCode);
    if (typeCode == 10) Text(b, className);
    b.Byte(page);
    std::size_t endOffset = 0;
    if (Version >= 24) {
      endOffset = b.Data.size();
      b.Int(0);
    }
    if (Version >= 23) Text(b, name);
    if (Version >= 24) b.Byte(RecordMajor).Byte(RecordMinor);
    b.Int(left).Int(top).Int(width).Int(height).Word(flags).Word(frameTyp);
    b.Int(1).Int(0).Word(0).Int(0x1FFFFFFF);  // frame width, colour, style; no fill
    b.Int(formatCode);
    Text(b, formatText);
    Lines(b, memo);
    if (Version >= 23) {
      Lines(b, name == "Memo1" ? std::vector<std::string>{"begin", "  Visible := True;", "end"}
                               : std::vector<std::string>{});
      b.Word(0xFFFF);  // visible
    }
    if (Version >= 24) {
      b.Word(0);
      Text(b, "");
      b.Int(2).Int(1);
      if (RecordMajor > 1) b.Byte(0);
    }
    payload(b);
    if (endOffset != 0) {
      const auto end = static_cast<std::uint32_t>(b.Data.size());
      for (int i = 0; i < 4; ++i)
        b.Data[endOffset + i] = static_cast<char>((end >> (8 * i)) & 0xFF);
    }
    (void)start;
  }

  // The stored character set counts from version 23 on; older files hold a word that is ignored.
  void Memo(TBytes& b, const std::string& font, int size, int alignment, int style,
            const std::string& highlight, int charset = 1) {
    Text(b, font);
    b.Int(size).Word(style).Int(0).Int(alignment).Word(Version >= 23 ? charset : 0);
    b.Word(2).Int(0x0000FF).Int(0x00FFFF);
    Text(b, highlight);
    if (Version >= 24) b.Int(4).Int(1);
  }

  void Band(TBytes& b, const std::string& master, int newColumnAfter) {
    if (Version <= 23) return;
    b.Str("").Int(2).Int(300).Int(10).Int(newColumnAfter);
    if (RecordMajor * 10 + RecordMinor > 20) b.Str(master);
  }

  void Picture(TBytes& b, int kind, int blobType, const std::string& graphic) {
    b.Byte(kind);
    if (RecordMajor * 10 + RecordMinor > 10) b.Byte(blobType);
    const std::size_t endOffset = b.Data.size();
    b.Int(0).Raw(graphic);
    const auto end = static_cast<std::uint32_t>(b.Data.size());
    for (int i = 0; i < 4; ++i) b.Data[endOffset + i] = static_cast<char>((end >> (8 * i)) & 0xFF);
  }
};

}  // namespace kv::test
