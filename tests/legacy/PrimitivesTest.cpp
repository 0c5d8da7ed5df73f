// Tests of the legacy value encodings: exact byte layouts, the version switch of the stored
// readers, the line-list readers' stopping rules, font records and hexadecimal text, and that
// data ending inside any value raises "Stream read error".
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "base/Errors.h"
#include "base/Stream.h"
#include "legacy/Primitives.h"

namespace kv {
namespace {

using TLines = std::vector<std::string>;

std::string Bytes(std::initializer_list<int> values) {
  std::string bytes;
  for (int v : values) bytes.push_back(static_cast<char>(v));
  return bytes;
}

std::string Written(const std::function<void(TStream&)>& write) {
  TMemoryStream stream;
  write(stream);
  return stream.Bytes();
}

TEST(PrimitivesTest, ScalarsAreLittleEndianAndBooleansAcceptAnyNonZeroValue) {
  EXPECT_EQ(Written([](TStream& s) { WriteByte(s, 0xAB); }), Bytes({0xAB}));
  EXPECT_EQ(Written([](TStream& s) { WriteWord(s, -2); }), Bytes({0xFE, 0xFF}));
  EXPECT_EQ(Written([](TStream& s) { WriteInt(s, 0x12345678); }), Bytes({0x78, 0x56, 0x34, 0x12}));
  EXPECT_EQ(Written([](TStream& s) { WriteBool8(s, true); }), Bytes({0x01}));
  EXPECT_EQ(Written([](TStream& s) { WriteBool16(s, true); }), Bytes({0xFF, 0xFF}));
  EXPECT_EQ(Written([](TStream& s) { WriteBool16(s, false); }), Bytes({0x00, 0x00}));

  TMemoryStream in(
      Bytes({0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0x00, 0x00, 0x00, 0x80,  // word, two ints
             0xC8, 0x00, 0x00, 0x01, 0x00}));                             // booleans
  EXPECT_EQ(ReadWord(in), -2);
  EXPECT_EQ(ReadInt(in), 0x7FFFFFFF);
  EXPECT_EQ(ReadInt(in), INT32_MIN);
  EXPECT_TRUE(ReadBool8(in));   // 0xC8
  EXPECT_FALSE(ReadBool8(in));  // 0x00
  EXPECT_TRUE(ReadBool16(in));  // 00 01
  EXPECT_FALSE(ReadBool8(in));  // 0x00
  EXPECT_EQ(in.Remaining(), 0);
}

TEST(PrimitivesTest, DateTimeIsAnEightByteDouble) {
  const double value = 45000.75;  // a date with a time of day of 18:00
  TMemoryStream stream;
  WriteDateTime(stream, value);
  ASSERT_EQ(stream.Size(), 8);
  stream.SetPosition(0);
  EXPECT_EQ(ReadDateTime(stream), value);
}

TEST(PrimitivesTest, LegacyStringLayout) {
  EXPECT_EQ(Written([](TStream& s) { WriteLegacyString(s, ""); }), Bytes({0, 0, 0}));
  EXPECT_EQ(Written([](TStream& s) { WriteLegacyString(s, "AB"); }),
            Bytes({0x02, 0x00, 0x41, 0x42, 0x00}));

  // The terminating byte is read whatever its value; bytes 0 and 128..255 are text like others.
  TMemoryStream in(Bytes({0x02, 0x00, 0x41, 0x42, 0x7F, 0x03, 0x00, 0xE9, 0x00, 0xFF, 0x00}));
  EXPECT_EQ(ReadLegacyString(in), "AB");
  EXPECT_EQ(in.Position(), 5);
  EXPECT_EQ(ReadLegacyString(in), Bytes({0xE9, 0x00, 0xFF}));
  EXPECT_EQ(in.Remaining(), 0);

  TMemoryStream empty(Bytes({0, 0, 0}));
  EXPECT_EQ(ReadLegacyString(empty), "");
  EXPECT_EQ(empty.Remaining(), 0);
}

TEST(PrimitivesTest, OverlongTextFailsInsteadOfBeingCut) {
  // 65536 bytes do not fit the length word; storing a cut text would lose data silently.
  const std::string text(65536, 'y');
  TMemoryStream stream;
  EXPECT_THROW(WriteLegacyString(stream, text), EKvError);
  EXPECT_THROW(WriteLegacyMemo(stream, {"a", text}), EKvError);
  TMemoryStream fits;
  WriteLegacyString(fits, std::string(65535, 'y'));
  fits.SetPosition(0);
  EXPECT_EQ(ReadLegacyString(fits).size(), 65535u);
}

TEST(PrimitivesTest, ZeroStringStopsAtTheZeroOrFailsAtTheEnd) {
  TMemoryStream in(std::string("HP\0\0rest", 8));
  EXPECT_EQ(ReadZeroString(in), "HP");
  EXPECT_EQ(in.Position(), 3);
  EXPECT_EQ(ReadZeroString(in), "");
  EXPECT_THROW(ReadZeroString(in), EReadError);  // "rest" has no terminator

  TMemoryStream none("");
  EXPECT_THROW(ReadZeroString(none), EReadError);
}

TEST(PrimitivesTest, StoredStringFollowsTheLegacyVersion) {
  const std::string zeroLayout = std::string("HP\0", 3);
  const std::string prefixed = Bytes({0x02, 0x00, 'H', 'P', 0x00});
  {
    TMemoryStream in(zeroLayout);
    EXPECT_EQ(ReadStoredString(in, 22), "HP");
    EXPECT_EQ(in.Remaining(), 0);
  }
  {
    TMemoryStream in(prefixed);
    EXPECT_EQ(ReadStoredString(in, 23), "HP");
    EXPECT_EQ(in.Remaining(), 0);
    // The zero-terminated bytes read as a length word 0x5048: far past the end of the data.
    TMemoryStream old(zeroLayout);
    EXPECT_THROW(ReadStoredString(old, 23), EReadError);
  }
}

TEST(PrimitivesTest, LegacyMemoLayout) {
  EXPECT_EQ(Written([](TStream& s) {
              WriteLegacyMemo(s, {"A", ""});
            }),
            Bytes({0x02, 0x00, 0x01, 0x00, 0x41, 0x0D, 0x00, 0x00, 0x00}));
  EXPECT_EQ(Written([](TStream& s) { WriteLegacyMemo(s, {}); }), Bytes({0x00, 0x00, 0x00}));

  const TLines lines = {"first", "", Bytes({0x0A, 0x0D}), "last"};
  TMemoryStream stream;
  WriteLegacyMemo(stream, lines);
  stream.SetPosition(0);
  TLines read = {"stale"};
  ReadLegacyMemo(stream, read);
  EXPECT_EQ(read, lines);
  EXPECT_EQ(stream.Remaining(), 0);
}

TEST(PrimitivesTest, LegacyMemoReaderFollowsSeparatorsNotTheCount) {
  struct TCase {
    const char* Name;
    std::string Bytes;
    TLines Expected;
    std::int64_t Consumed;
  };
  const TCase cases[] = {
      {"count 5, two lines", Bytes({5, 0, 1, 0, 'A', 13, 1, 0, 'B', 0, 0xEE}), {"A", "B"}, 10},
      {"count 0 takes three bytes", Bytes({0, 0, 0x55, 0xEE}), {}, 3},
      {"any non-zero separator continues", Bytes({1, 0, 1, 0, 'A', 7, 0, 0, 0}), {"A", ""}, 9},
  };
  for (const auto& c : cases) {
    TMemoryStream in(c.Bytes);
    TLines lines = {"stale"};
    ReadLegacyMemo(in, lines);
    EXPECT_EQ(lines, c.Expected) << c.Name;
    EXPECT_EQ(in.Position(), c.Consumed) << c.Name;
  }
}

TEST(PrimitivesTest, MemoOfAMultipleOf65536LinesStillReadsBack) {
  // The count word would be 0 modulo 65536, which reads as an empty list.
  const TLines lines(65536, "");
  TMemoryStream stream;
  WriteLegacyMemo(stream, lines);
  EXPECT_EQ(stream.Bytes().substr(0, 2), Bytes({0xFF, 0xFF}));
  stream.SetPosition(0);
  TLines read;
  ReadLegacyMemo(stream, read);
  EXPECT_EQ(read.size(), lines.size());
  EXPECT_EQ(stream.Remaining(), 0);
}

TEST(PrimitivesTest, ZeroMemoSplitsAtCarriageReturnsAndDropsAnEmptyLastLine) {
  struct TCase {
    std::string Bytes;
    TLines Expected;
  };
  const TCase cases[] = {
      {Bytes({'A', 13, 'B', 0}), {"A", "B"}},
      {Bytes({'A', 13, 0}), {"A"}},
      {Bytes({0}), {}},
      {Bytes({13, 13, 0}), {"", ""}},
      {Bytes({'A', 10, 'B', 0}), {Bytes({'A', 10, 'B'})}},  // a line feed is text
  };
  for (const auto& c : cases) {
    TMemoryStream in(c.Bytes + "tail");
    TLines lines = {"stale"};
    ReadZeroMemo(in, lines);
    EXPECT_EQ(lines, c.Expected) << ::testing::PrintToString(c.Bytes);
    EXPECT_EQ(in.Position(), static_cast<std::int64_t>(c.Bytes.size()));
  }
  TMemoryStream unterminated(Bytes({'A', 13, 'B'}));
  TLines lines;
  EXPECT_THROW(ReadZeroMemo(unterminated, lines), EReadError);
}

TEST(PrimitivesTest, StoredMemoFollowsTheLegacyVersion) {
  TLines lines;
  {
    TMemoryStream in(Bytes({'A', 13, 'B', 0}));
    ReadStoredMemo(in, lines, 21);
    EXPECT_EQ(lines, (TLines{"A", "B"}));
  }
  {
    TMemoryStream in(Bytes({1, 0, 1, 0, 'A', 0}));
    ReadStoredMemo(in, lines, 25);
    EXPECT_EQ(lines, (TLines{"A"}));
  }
}

TEST(PrimitivesTest, StyleWordBits) {
  using enum TFontStyle;
  EXPECT_EQ(StyleFromStored(3), (TFontStyles{fsBold, fsItalic}));
  EXPECT_EQ(StyleToStored({fsBold}), 2);
  EXPECT_EQ(StyleToStored({fsItalic}), 1);
  EXPECT_EQ(StyleToStored({fsUnderline}), 4);
  EXPECT_EQ(StyleToStored({fsStrikeOut}), 8);
  EXPECT_EQ(StyleFromStored(0xFFF0), TFontStyles{});  // bits above 8 are ignored
  for (std::uint16_t word = 0; word < 16; ++word) {
    EXPECT_EQ(StyleToStored(StyleFromStored(word)), word);
  }
  // The set's own mask is the document's order: 1 bold, 2 italic.
  EXPECT_EQ(StyleFromStored(2).Mask(), 1);
  EXPECT_EQ(StyleFromStored(1).Mask(), 2);
}

TEST(PrimitivesTest, FontRecordLayout) {
  TkvFont font;
  font.Name = "Arial";
  font.Size = 10;
  font.Style = {TFontStyle::fsBold};
  font.Color = clBtnFace;
  font.Charset = 238;
  const std::string expected = Bytes({0x05, 0x00, 'A',  'r',  'i', 'a', 'l', 0x00,  // name
                                      0x0A, 0x00, 0x00, 0x00,                       // size
                                      0x02, 0x00,                                   // style
                                      0x0F, 0x00, 0x00, 0xFF,                       // colour
                                      0xEE, 0x00});                                 // charset
  EXPECT_EQ(Written([&](TStream& s) { WriteLegacyFont(s, font); }), expected);
  TMemoryStream in(expected);
  EXPECT_EQ(ReadLegacyFont(in), font);

  // The character set is the low byte of its word; the style word's high bits are ignored.
  std::string variant = expected;
  variant[12] = static_cast<char>(0xF3);
  variant[13] = static_cast<char>(0xFF);
  variant[19] = 0x01;
  TMemoryStream in2(variant);
  const TkvFont read = ReadLegacyFont(in2);
  EXPECT_EQ(read.Charset, 238);
  EXPECT_EQ(read.Style, (TFontStyles{TFontStyle::fsBold, TFontStyle::fsItalic}));
}

TEST(PrimitivesTest, HexText) {
  EXPECT_EQ(HexEncode("abc"), "616263");
  EXPECT_EQ(HexEncode(Bytes({0x00, 0xFF, 0x0A})), "00FF0A");
  EXPECT_EQ(HexEncode(""), "");
  struct TCase {
    const char* Hex;
    std::string Expected;
  };
  const TCase cases[] = {
      {"616263", "abc"},
      {"616263F", "abc"},  // an odd last digit is ignored
      {"6a6B", "jk"},      // either case
      {"00ff", Bytes({0x00, 0xFF})},
      {"61zz62", "a"},  // decoding stops at the first pair that is not hexadecimal
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(HexDecode(c.Hex), c.Expected) << c.Hex;

  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  EXPECT_EQ(HexDecode(HexEncode(all)), all);
}

TEST(PrimitivesTest, DataEndingInsideAValueRaisesReadError) {
  struct TCase {
    const char* Name;
    std::string Bytes;
    std::function<void(TStream&)> Read;
  };
  TLines lines;
  const std::string font = Written([](TStream& s) { WriteLegacyFont(s, TkvFont{}); });
  const TCase cases[] = {
      {"word", Bytes({1, 0}), [](TStream& s) { ReadWord(s); }},
      {"bool16", Bytes({1, 0}), [](TStream& s) { ReadBool16(s); }},
      {"int", Bytes({1, 2, 3, 4}), [](TStream& s) { ReadInt(s); }},
      {"date-time", std::string(8, 'x'), [](TStream& s) { ReadDateTime(s); }},
      {"legacy string", Bytes({2, 0, 'A', 'B', 0}), [](TStream& s) { ReadLegacyString(s); }},
      {"zero string", Bytes({'A', 'B', 0}), [](TStream& s) { ReadZeroString(s); }},
      {"legacy memo", Bytes({2, 0, 1, 0, 'A', 13, 1, 0, 'B', 0}),
       [&](TStream& s) { ReadLegacyMemo(s, lines); }},
      {"empty legacy memo", Bytes({0, 0, 0}), [&](TStream& s) { ReadLegacyMemo(s, lines); }},
      {"zero memo", Bytes({'A', 13, 'B', 0}), [&](TStream& s) { ReadZeroMemo(s, lines); }},
      {"font", font, [](TStream& s) { ReadLegacyFont(s); }},
  };
  for (const auto& c : cases) {
    {
      TByteView whole(c.Bytes);
      EXPECT_NO_THROW(c.Read(whole)) << c.Name;
      EXPECT_EQ(whole.Remaining(), 0) << c.Name;
    }
    for (std::size_t cut = 0; cut < c.Bytes.size(); ++cut) {
      TByteView part(std::string_view(c.Bytes).substr(0, cut));
      EXPECT_THROW(c.Read(part), EReadError) << c.Name << " cut at " << cut;
    }
  }
}

}  // namespace
}  // namespace kv
