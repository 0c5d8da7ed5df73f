// Tests of the conversion of binary form streams to text. Inputs are built byte by byte here, not
// with the form writer, so the reader is checked against the format itself.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "base/Errors.h"
#include "base/Stream.h"
#include "migrate/FormStream.h"

namespace kv {
namespace {

std::string Bytes(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s += static_cast<char>(b);
  return s;
}

// Little-endian bytes of a number (the test machine is little-endian, like the format).
template <typename T>
std::string Le(T value) {
  std::string s(sizeof(T), '\0');
  std::memcpy(s.data(), &value, sizeof(T));
  return s;
}

std::string F80(long double value) {
  return Le(value).substr(0, 10);
}
std::string U32(std::uint32_t value) {
  return Le(value);
}
std::string Name(std::string_view name) {
  return static_cast<char>(name.size()) + std::string(name);
}
std::string Text(std::string_view text) {
  return "\x06" + Name(text);
}
std::string Wide(std::u16string_view text) {
  std::string s = "\x12" + U32(static_cast<std::uint32_t>(text.size()));
  for (char16_t unit : text) s += Le(static_cast<std::uint16_t>(unit));
  return s;
}

// A component: header bytes (optional prefix, class name, name), properties, 0, children, 0.
std::string Component(std::string_view className, std::string_view name,
                      const std::string& properties = "", const std::string& children = "",
                      const std::string& prefix = "") {
  return prefix + Name(className) + Name(name) + properties + '\0' + children + '\0';
}

std::string Form(const std::string& properties, const std::string& children = "") {
  return "TPF0" + Component("TForm1", "Form1", properties, children);
}

std::string Resource(std::string_view name, const std::string& stream) {
  return "\xFF" + Le<std::uint16_t>(10) + std::string(name) + '\0' + Le<std::uint16_t>(0x1030) +
         U32(static_cast<std::uint32_t>(stream.size())) + stream;
}

struct TResult {
  std::string Text;   // everything that reached the output
  std::string Error;  // empty when the conversion succeeded
};

TResult Convert(const std::string& bytes, bool withResource = false, int codePage = 1252) {
  TByteView input(bytes);
  TMemoryStream output;
  TResult result;
  try {
    if (withResource) {
      FormResourceToText(input, output, codePage);
    } else {
      FormBinaryToText(input, output, codePage);
    }
  } catch (const EKvError& e) {
    result.Error = e.what();
  }
  result.Text = output.Bytes();
  return result;
}

// The text of one property value "P" of the root, without the frame around it, with texts of the
// code page.
std::string ValueText(const std::string& valueBytes, int codePage = 1252) {
  const TResult result = Convert(Form(Name("P") + valueBytes), false, codePage);
  const std::string head = "object Form1: TForm1\r\n  P = ";
  const std::string tail = "\r\nend\r\n";
  if (!result.Error.empty()) return "error: " + result.Error;
  if (result.Text.rfind(head, 0) != 0 || result.Text.size() < head.size() + tail.size() ||
      result.Text.compare(result.Text.size() - tail.size(), tail.size(), tail) != 0) {
    return "unexpected frame: " + result.Text;
  }
  return result.Text.substr(head.size(), result.Text.size() - head.size() - tail.size());
}

struct TValueCase {
  std::string Bytes;
  std::string Expected;
};

void ExpectValues(const std::vector<TValueCase>& cases) {
  for (std::size_t i = 0; i < cases.size(); ++i) {
    EXPECT_EQ(ValueText(cases[i].Bytes), cases[i].Expected) << "case " << i;
  }
}

TEST(FormStreamTest, ExampleFormWithResourceHeaderStopsAfterTheRootComponent) {
  const std::string stream = Form(Name("Left") + "\x03" + Le<std::int16_t>(200),
                                  Component("TLabel", "Label1", Name("Caption") + Text("Name:")));
  const std::string expected =
      "object Form1: TForm1\r\n"
      "  Left = 200\r\n"
      "  object Label1: TLabel\r\n"
      "    Caption = 'Name:'\r\n"
      "  end\r\n"
      "end\r\n";
  // Resource names of any length; bytes after the root component stay unread.
  for (const std::string& name : {std::string("TFORM1"), std::string(300, 'N')}) {
    const std::string file = Resource(name, stream) + "junk";
    TByteView input(file);
    TMemoryStream output;
    output.WriteText("kept:");
    FormResourceToText(input, output, 1252);
    EXPECT_EQ(output.Bytes(), "kept:" + expected);
    EXPECT_EQ(input.Position(), static_cast<std::int64_t>(file.size() - 4));
  }
}

TEST(FormStreamTest, ValuesOfEveryCode) {
  ExpectValues({
      {Bytes({2, 0xFB}), "-5"},
      {"\x03" + Le<std::int16_t>(-300), "-300"},
      {"\x04" + Le<std::int32_t>(100000), "100000"},
      {"\x04" + Le<std::int32_t>(INT32_MIN), "-2147483648"},
      {"\x13" + Le<std::int64_t>(-5000000000), "-5000000000"},
      {Bytes({0}), "Null"},
      {Bytes({8}), "False"},
      {Bytes({9}), "True"},
      {Bytes({13}), "nil"},
      {"\x07" + Name("clRed"), "clRed"},
      {"\x0B" + Name("fsBold") + Name("fsItalic") + '\0', "[fsBold, fsItalic]"},
      {Bytes({11, 0}), "[]"},
      {"\x05" + F80(1.5L), "1.500000000000000000"},
      {"\x05" + F80(-1.0L / 3), "-0.333333333333333300"},
      {"\x0F" + Le(1.5f), "1.5s"},
      {"\x0F" + Le(0.1f), "0.100000001490116s"},
      {"\x10" + Le<std::int64_t>(15000), "15000c"},
      {"\x10" + Le<std::int64_t>(-1), "-1c"},
      {"\x11" + Le(45000.25), "45000.25d"},
      {"\x11" + Le(1e20), "1E20d"},
      {"\x0A" + U32(3) + "\x0A\x1B\xFF", "{0A1BFF}"},
      {"\x0A" + U32(0), "{}"},
      {Bytes({1, 0}), "()"},
      {Bytes({1, 2, 1, 1, 2, 2, 0, 1, 0, 0}), "(\r\n    1\r\n    (\r\n      2)\r\n    ())"},
      {Bytes({14, 0}), "<>"},
  });
}

TEST(FormStreamTest, TextsAreQuotedRunsAndCharacterCodes) {
  ExpectValues({
      {Bytes({6, 0}), "''"},
      {Text("\r\n"), "#13#10"},
      {Text("it's"), "'it'#39's'"},
      {Text("'"), "#39"},
      {Text("a\tb\x01"), "'a'#9'b'#1"},
      {Text("caf\xE9 \x7F"), "'caf\xE9 \x7F'"},  // bytes from 127 up stay inside the quotes
      {"\x0C" + U32(5) + "Hello", "'Hello'"},
      {"\x0C" + U32(0), "''"},
      // Wide texts: every unit above 127 becomes a code, surrogates one by one.
      {Wide(u"B\u00E4r"), "'B'#228'r'"},
      {Wide(u"\U0001F600x"), "#55357#56832'x'"},
      {Wide(u""), "''"},
      {"\x14" + U32(5) + "c\xC3\xA9'\x7F", "'c'#233#39'\x7F'"},
      {"\x14" + U32(0), "''"},
  });
}

TEST(FormStreamTest, TextsLongerThan64UnitsSplitIntoLines) {
  const std::string x64(64, 'x');
  ExpectValues({
      {Text(x64), "'" + x64 + "'"},
      {Text(x64 + "x"), "\r\n    '" + x64 + "' +\r\n    'x'"},
      {"\x0C" + U32(150) + std::string(150, 'y'), "\r\n    '" + std::string(64, 'y') +
                                                      "' +\r\n    '" + std::string(64, 'y') +
                                                      "' +\r\n    '" + std::string(22, 'y') + "'"},
      // Codes count one unit each; a line may end after a code.
      {Text(std::string(62, 'a') + "\r\n" + std::string(10, 'b')),
       "\r\n    '" + std::string(62, 'a') + "'#13#10 +\r\n    '" + std::string(10, 'b') + "'"},
      {Text(std::string(65, '\x01')),
       [] {
         std::string codes;
         for (int i = 0; i < 64; ++i) codes += "#1";
         return "\r\n    " + codes + " +\r\n    #1";
       }()},
      {Wide(std::u16string(63, u'w') + u"\u00E9" + std::u16string(6, u'w')),
       "\r\n    '" + std::string(63, 'w') + "'#233 +\r\n    'wwwwww'"},
  });
}

TEST(FormStreamTest, LineBreaksNeverSplitADoubleByteCharacter) {
  const std::string dbcs = "\x82\xA0";  // one double-byte character
  // The first cut would fall after 64 bytes, between the two bytes of the character at 63..64;
  // the second one again, at 126..127, counted from the start of the second line.
  const std::string text = std::string(63, 'a') + dbcs + std::string(61, 'b') + dbcs + "cccc";
  EXPECT_EQ(ValueText(Text(text), 932), "\r\n    '" + std::string(63, 'a') + "' +\r\n    '" + dbcs +
                                            std::string(61, 'b') + "' +\r\n    '" + dbcs + "cccc'");
  // Under a single-byte code page the same bytes are cut after 64 bytes.
  EXPECT_EQ(ValueText(Text(text), 1252), "\r\n    '" + std::string(63, 'a') +
                                             "\x82' +\r\n    '\xA0" + std::string(61, 'b') +
                                             "\x82\xA0' +\r\n    'cccc'");
  // Under UTF-8 a character of three bytes at 62..64 is carried whole to the next line.
  const std::string euro = "\xE2\x82\xAC";
  EXPECT_EQ(ValueText(Text(std::string(62, 'a') + euro + "zz"), 65001),
            "\r\n    '" + std::string(62, 'a') + "' +\r\n    '" + euro + "zz'");
}

TEST(FormStreamTest, BinaryDataOf32BytesOrMoreGoesOnLinesOf32) {
  auto binary = [](std::size_t n) {
    return "\x0A" + U32(static_cast<std::uint32_t>(n)) + std::string(n, 'Z');
  };
  auto hex = [](std::size_t n) {
    std::string s;
    for (std::size_t i = 0; i < n; ++i) s += "5A";
    return s;
  };
  ExpectValues({
      {binary(31), "{" + hex(31) + "}"},
      {binary(32), "{\r\n    " + hex(32) + "}"},
      {binary(65), "{\r\n    " + hex(32) + "\r\n    " + hex(32) + "\r\n    " + hex(1) + "}"},
  });
}

TEST(FormStreamTest, ListsCollectionsAndChildrenIndentByNesting) {
  const std::string items = "\x01" + Text("a") + Text(std::string(65, 'x')) + '\0';
  const std::string cols = "\x0E\x01" + Name("Title") + Text("T") + '\0' +  //
                           "\x02\x02\x01" + Name("Width") + "\x03" + Le<std::int16_t>(300) + '\0' +
                           '\0';
  const std::string stream =
      Form("", Component("TPanel", "Panel1", Name("Items") + items + Name("Cols") + cols,
                         Component("TButton", "Button1")));
  EXPECT_EQ(Convert(stream).Text,
            "object Form1: TForm1\r\n"
            "  object Panel1: TPanel\r\n"
            "    Items = (\r\n"
            "      'a'\r\n"
            "      \r\n"
            "        '" +
                std::string(64, 'x') +
                "' +\r\n"
                "        'x')\r\n"
                "    Cols = <\r\n"
                "      item\r\n"
                "        Title = 'T'\r\n"
                "      end\r\n"
                "      item [2]\r\n"
                "        Width = 300\r\n"
                "      end>\r\n"
                "    object Button1: TButton\r\n"
                "    end\r\n"
                "  end\r\n"
                "end\r\n");
}

TEST(FormStreamTest, ComponentPrefixFlags) {
  struct TCase {
    std::string Prefix;
    std::string Line;
  };
  const TCase cases[] = {
      {"", "object Label1: TLabel"},
      {"\xF0", "object Label1: TLabel"},
      {"\xF1", "inherited Label1: TLabel"},
      {"\xF4", "inline Label1: TLabel"},
      {"\xF5", "inherited Label1: TLabel"},
      {"\xF8", "object Label1: TLabel"},
      {"\xF2\x02\x03", "object Label1: TLabel [3]"},
      {"\xF3\x03" + Le<std::int16_t>(-300), "inherited Label1: TLabel [-300]"},
      {"\xF6\x04" + Le<std::int32_t>(70000), "inline Label1: TLabel [70000]"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Convert(Form("", Component("TLabel", "Label1", "", "", c.Prefix))).Text,
              "object Form1: TForm1\r\n  " + c.Line + "\r\n  end\r\nend\r\n");
  }
  EXPECT_EQ(Convert("TPF0\xF1" + Component("TLabel", "")).Text, "inherited TLabel\r\nend\r\n");
}

TEST(FormStreamTest, ErrorsNameTheComponentAndPropertyBeingRead) {
  struct TCase {
    std::string Stream;
    std::string Error;
  };
  const std::string caption = Name("Caption");
  const TCase cases[] = {
      {Form(caption + "\x15"), "Error reading Form1.Caption: 21"},
      {Form(caption + "\x95"), "Error reading Form1.Caption: 21"},
      {Form(caption + "\xFF"), "Error reading Form1.Caption: 127"},
      {Form("", Component("TLabel", "Label1", caption + "\x16")),
       "Error reading Label1.Caption: 22"},
      {Form("", Component("TLabel", "", caption + "\x15")), "Error reading TLabel.Caption: 21"},
      {Form(Name("Items") + Bytes({1, 2, 1, 0x40})), "Error reading Form1.Items: 64"},
      {Form(Name("Cols") + Bytes({14, 1}) + Name("Width") + "\x1E"),
       "Error reading Form1.Width: 30"},
      // Codes 128 to 148 are refused.
      {Form(caption + Bytes({0x82, 5})), "Invalid property value"},
      {Form(caption + Bytes({0x81, 0})), "Invalid property value"},
      {Form(caption + "\x94" + U32(0)), "Invalid property value"},
      // Where only an integer or a list start may stand.
      {"TPF0\xF2" + Text("x") + Component("TForm1", "Form1"), "Invalid property value"},
      {"TPF0\xF2\x15" + Component("TForm1", "Form1"), "Invalid property value"},
      {Form(Name("Cols") + Bytes({14, 6})), "Invalid property value"},
      {Form(Name("Cols") + Bytes({14, 2, 5, 6})), "Invalid property value"},
      {Form(Name("Cols") + Bytes({14, 0x15})), "Invalid property value"},
      {Form(Name("Cols") + Bytes({14, 0x81})), "Invalid property value"},
      // Header and signature.
      {"TPF1" + Component("TForm1", "Form1"), "Invalid stream format"},
      {"TPF", "Stream read error"},
      // Lengths beyond the data are refused before anything is reserved.
      {Form(caption + "\x0C" + U32(0xFFFFFFFF)), "Stream read error"},
      {Form(caption + "\x12" + U32(0x80000000)), "Stream read error"},
      {Form(caption + "\x14" + U32(0xFFFFFFF0)), "Stream read error"},
      {Form(caption + "\x0A" + U32(0xFFFFFFFF)), "Stream read error"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Convert(c.Stream).Error, c.Error) << c.Stream;
  }

  const TCase resourceCases[] = {
      {Bytes({0xFE, 10, 0, 'F', 0, 0x30, 0x10, 0, 0, 0, 0}) + Form(""), "Invalid stream format"},
      {Bytes({0xFF, 11, 0, 'F', 0, 0x30, 0x10, 0, 0, 0, 0}) + Form(""), "Invalid stream format"},
      {Bytes({0xFF, 10, 0, 'F', 'O', 'R', 'M'}), "Stream read error"},
      {"", "Stream read error"},
  };
  for (const auto& c : resourceCases) {
    EXPECT_EQ(Convert(c.Stream, true).Error, c.Error) << c.Stream;
  }
}

TEST(FormStreamTest, TextProducedBeforeAnErrorReachesTheOutput) {
  const std::string stream =
      Form(Name("Data") + "\x0A" + U32(3000) + std::string(3000, '\xAB') + Name("Bad") + "\x15");
  const TResult result = Convert(stream);
  EXPECT_EQ(result.Error, "Error reading Form1.Bad: 21");
  std::string expected = "object Form1: TForm1\r\n  Data = {";
  for (int line = 0; line < 94; ++line) {
    expected += "\r\n    ";
    for (int i = 0; i < (line < 93 ? 32 : 24); ++i) expected += "AB";
  }
  expected += "}\r\n  Bad = ";
  EXPECT_EQ(result.Text, expected);
}

TEST(FormStreamTest, NestingIsLimited) {
  auto nestedLists = [](int depth) {
    return Form(Name("P") + std::string(depth, '\x01') + std::string(depth, '\0'));
  };
  // The root counts as one level.
  EXPECT_EQ(Convert(nestedLists(MaxFormNesting - 1)).Error, "");
  EXPECT_EQ(Convert(nestedLists(MaxFormNesting)).Error, "Invalid stream format");

  std::string components = "TPF0";
  for (int i = 0; i <= MaxFormNesting; ++i) components += Name("TPanel") + Name("") + '\0';
  components += std::string(MaxFormNesting + 1, '\0');
  EXPECT_EQ(Convert(components).Error, "Invalid stream format");

  std::string collections = Name("P");
  for (int i = 0; i < MaxFormNesting; ++i) collections += "\x0E\x01" + Name("P");
  EXPECT_EQ(Convert(Form(collections)).Error, "Invalid stream format");
}

// A form that uses every value code, prefixes, children and long values.
std::string RichForm() {
  const std::string properties =
      Name("A") + Bytes({0}) + Name("B") + Bytes({1, 2, 7, 1, 0, 0}) + Name("C") + "\x03" +
      Le<std::int16_t>(-2) + Name("D") + "\x04" + Le<std::int32_t>(1 << 20) + Name("E") + "\x05" +
      F80(2.5L) + Name("F") + Text("it's\r\n") + Name("G") + "\x07" + Name("alClient") + Name("H") +
      Bytes({8}) + Name("I") + Bytes({9}) + Name("J") + "\x0A" + U32(40) + std::string(40, '\x11') +
      Name("K") + "\x0B" + Name("a") + Name("b") + '\0' + Name("L") + "\x0C" + U32(70) +
      std::string(70, 'L') + Name("M") + Bytes({13}) + Name("N") + "\x0E\x01" + Name("X") +
      Bytes({2, 1}) + '\0' + "\x02\x05\x01" + '\0' + '\0' + Name("O") + "\x0F" + Le(1.25f) +
      Name("P") + "\x10" + Le<std::int64_t>(15000) + Name("Q") + "\x11" + Le(2.5) + Name("R") +
      Wide(u"w\u00E9") + Name("S") + "\x13" + Le<std::int64_t>(-1) + Name("T") + "\x14" + U32(2) +
      "\xC3\xA9";
  return Form(properties, Component("TLabel", "Label1", Name("Caption") + Text("x"), "",
                                    "\xF3\x03" + Le<std::int16_t>(1000)) +
                              Component("TFrame", "", "", "", "\xF4"));
}

TEST(FormStreamTest, EveryTruncationIsAReadError) {
  const std::string file = Resource("TFORM1", RichForm());
  ASSERT_EQ(Convert(file, true).Error, "");
  for (std::size_t length = 0; length < file.size(); ++length) {
    EXPECT_EQ(Convert(file.substr(0, length), true).Error, "Stream read error") << length;
  }
}

TEST(FormStreamTest, CorruptedStreamsFailWithAListedError) {
  const std::string form = RichForm();
  std::mt19937 random(12345);
  for (int round = 0; round < 5000; ++round) {
    std::string bytes = form;
    const int changes = 1 + static_cast<int>(random() % 4);
    for (int i = 0; i < changes; ++i) bytes[random() % bytes.size()] = static_cast<char>(random());
    if (round % 4 == 0) bytes.resize(random() % bytes.size());
    const std::string error = Convert(bytes).Error;
    EXPECT_TRUE(error.empty() || error == "Stream read error" || error == "Invalid stream format" ||
                error == "Invalid property value" || error.rfind("Error reading ", 0) == 0)
        << error;
  }
}

}  // namespace
}  // namespace kv
