// Tests of the binary property writer: the exact bytes of every value, the choice of integer and
// text codes, and a whole form file that converts back to the expected text.
#include <gtest/gtest.h>

#include <climits>
#include <functional>

#include "base/FormWriter.h"
#include "base/Stream.h"
#include "migrate/FormStream.h"

namespace kv {
namespace {

std::string Bytes(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s += static_cast<char>(b);
  return s;
}

std::string Written(const std::function<void(TFormWriter&)>& write) {
  TMemoryStream stream;
  TFormWriter writer(stream, 1252);
  write(writer);
  return stream.Bytes();
}

TEST(FormWriterTest, IntegersTakeTheSmallestCode) {
  const std::pair<std::int32_t, std::string> cases[] = {
      {0, Bytes({2, 0})},
      {-128, Bytes({2, 0x80})},
      {127, Bytes({2, 0x7F})},
      {128, Bytes({3, 0x80, 0})},
      {-129, Bytes({3, 0x7F, 0xFF})},
      {32767, Bytes({3, 0xFF, 0x7F})},
      {-32768, Bytes({3, 0x00, 0x80})},
      {32768, Bytes({4, 0x00, 0x80, 0, 0})},
      {-32769, Bytes({4, 0xFF, 0x7F, 0xFF, 0xFF})},
      {INT32_MIN, Bytes({4, 0, 0, 0, 0x80})},
  };
  for (const auto& [value, expected] : cases) {
    EXPECT_EQ(Written([&](TFormWriter& w) { w.WriteInteger(value); }), expected) << value;
  }
}

TEST(FormWriterTest, TextsTakeCode6Or12OrUtf8Code20) {
  const std::string a255(255, 'a');
  const std::string a256(256, 'a');
  const std::string high300 = std::string(299, 'a') + "\xE9";
  const std::pair<std::string, std::string> cases[] = {
      {"", Bytes({6, 0})},
      {"abc", Bytes({6, 3}) + "abc"},
      {a255, Bytes({6, 255}) + a255},
      {a256, Bytes({12, 0, 1, 0, 0}) + a256},
      {"caf\xE9", Bytes({20, 5, 0, 0, 0}) + "caf\xC3\xA9"},  // from code page 1252
      {high300, Bytes({20, 45, 1, 0, 0}) + std::string(299, 'a') + "\xC3\xA9"},
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(Written([&](TFormWriter& w) { w.WriteText(text); }), expected) << text;
  }
}

TEST(FormWriterTest, ExactBytesOfNamesHeadersAndOtherValues) {
  const std::string long300(300, 'n');
  const std::pair<std::function<void(TFormWriter&)>, std::string> cases[] = {
      {[](TFormWriter& w) { w.WriteSignature(); }, "TPF0"},
      {[&](TFormWriter& w) { w.WritePropName(long300); }, "\xFF" + std::string(255, 'n')},
      {[](TFormWriter& w) { w.WriteComponentHeader("TForm1", "Form1"); },
       "\x06TForm1\x05"
       "Form1"},
      {[](TFormWriter& w) { w.WriteComponentHeader("TFrame", "", 4); },
       "\xF4\x06TFrame" + Bytes({0})},
      {[](TFormWriter& w) { w.WriteComponentHeader("TL", "L", 3, 1000); },
       Bytes({0xF3, 3, 0xE8, 3, 2}) + "TL\x01L"},
      {[](TFormWriter& w) { w.WriteIdent("alClient"); },
       "\x07\x08"
       "alClient"},
      {[](TFormWriter& w) { w.WriteInt64(-2); },
       Bytes({19, 0xFE, 255, 255, 255, 255, 255, 255, 255})},
      {[](TFormWriter& w) { w.WriteWideText(u"\u00E9"); }, Bytes({18, 1, 0, 0, 0, 0xE9, 0})},
      {[](TFormWriter& w) {
         w.WriteBoolean(false), w.WriteBoolean(true), w.WriteNull(), w.WriteNil();
         w.WriteListBegin(), w.WriteListEnd(), w.WriteCollectionBegin();
       },
       Bytes({8, 9, 0, 13, 1, 0, 14})},
      {[](TFormWriter& w) {
         w.WriteSet({"a", "", "bc"});
       },
       Bytes({11, 1, 'a', 2, 'b', 'c', 0})},
      {[](TFormWriter& w) { w.WriteBinary("\x01\x02"); }, Bytes({10, 2, 0, 0, 0, 1, 2})},
      {[](TFormWriter& w) { w.WriteSingle(1.5f); }, Bytes({15, 0, 0, 0xC0, 0x3F})},
      {[](TFormWriter& w) { w.WriteCurrency(15000); }, Bytes({16, 0x98, 0x3A, 0, 0, 0, 0, 0, 0})},
      {[](TFormWriter& w) { w.WriteDate(1.0); }, Bytes({17, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F})},
      {[](TFormWriter& w) { w.WriteExtended(1.5L); },
       Bytes({5, 0, 0, 0, 0, 0, 0, 0, 0xC0, 0xFF, 0x3F})},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(Written(cases[i].first), cases[i].second) << "case " << i;
  }
  EXPECT_EQ(FormResourceFromStream("TPF0", "TFORM1"),
            Bytes({0xFF, 10, 0}) + "TFORM1" + Bytes({0, 0x30, 0x10, 4, 0, 0, 0}) + "TPF0");
}

TEST(FormWriterTest, WrittenFormConvertsToText) {
  const std::string stream = Written([](TFormWriter& w) {
    w.WriteSignature();
    w.WriteComponentHeader("TForm1", "Form1", 1);
    w.WritePropName("Caption");
    w.WriteText("Caf\xE9");
    w.WritePropName("Price");
    w.WriteCurrency(15000);
    w.WritePropName("Ratio");
    w.WriteExtended(1.5L);
    w.WritePropName("Items");
    w.WriteCollectionBegin();
    w.WriteInteger(7);
    w.WriteListBegin();
    w.WritePropName("Tags");
    w.WriteSet({"a", "b"});
    w.WriteListEnd();
    w.WriteListEnd();
    w.WriteListEnd();  // properties
    w.WriteComponentHeader("TLabel", "Label1", 2, -300);
    w.WriteListEnd();
    w.WriteListEnd();
    w.WriteListEnd();  // children
  });
  const std::string file = FormResourceFromStream(stream, "TFORM1");
  TByteView input(file);
  TMemoryStream output;
  FormResourceToText(input, output, 1252);
  EXPECT_EQ(output.Bytes(),
            "inherited Form1: TForm1\r\n"
            "  Caption = 'Caf'#233\r\n"
            "  Price = 15000c\r\n"
            "  Ratio = 1.500000000000000000\r\n"
            "  Items = <\r\n"
            "    item [7]\r\n"
            "      Tags = [a, b]\r\n"
            "    end>\r\n"
            "  object Label1: TLabel [-300]\r\n"
            "  end\r\n"
            "end\r\n");
}

}  // namespace
}  // namespace kv
