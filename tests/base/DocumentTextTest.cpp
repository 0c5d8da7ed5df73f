// Tests of the document text helpers: the conversion of text to UTF-8 on its way into a document
// (single-byte table and whole-text conversion), the two escaping forms, hexadecimal blocks,
// attributes and the document's decimal separator.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/CodePage.h"
#include "base/DocumentText.h"

namespace kv {
namespace {

// What a document stream of the code page writes for text.
std::string Written(std::string_view text, int codePage = 1252, bool line = false) {
  TMemoryStream target;
  TDocumentStream stream(target, codePage, '.');
  if (line) {
    WriteLine(stream, text);
  } else {
    WriteText(stream, text);
  }
  return target.Bytes();
}

TEST(DocumentTextTest, EscapeXmlReplacesTheSixMarkupCharactersOnly) {
  const struct {
    std::string Text;
    std::string Escaped;
  } cases[] = {
      {"", ""},
      {"plain text", "plain text"},
      {"a\r\nb", "a&#13;&#10;b"},
      {"\n\r", "&#10;&#13;"},
      {"\"&<>", "&#34;&#38;&#60;&#62;"},
      {"it's", "it's"},
      {"&#38;", "&#38;#38;"},
      // Control bytes that XML 1.0 forbids even as references are dropped; a tab is kept as a
      // reference, since a literal one would read back as a blank.
      {"\t\x01", "&#9;"},
      {std::string("a\0b\x1F\x0B\x0C\x7F", 7), "ab\x7F"},
      {"caf\xE9 \x80\xFF", "caf\xE9 \x80\xFF"},
  };
  for (const auto& c : cases) EXPECT_EQ(EscapeXml(c.Text), c.Escaped) << c.Text;
}

TEST(DocumentTextTest, EscapeNameReplacesOnlyWhatWouldBreakTheDocument) {
  const struct {
    std::string Text;
    std::string Escaped;
  } cases[] = {
      {"Memo1", "Memo1"},
      {"a\"b", "a&#34;b"},
      {"R&D", "R&#38;D"},
      {"x<y>z", "x&#60;y>z"},
      {"it's\r\n\xE9", "it's\r\n\xE9"},
      {std::string("a\0b\x01\tc", 6), "ab\tc"},
  };
  for (const auto& c : cases) EXPECT_EQ(EscapeName(c.Text), c.Escaped) << c.Text;
}

TEST(DocumentTextTest, WriteTextConvertsSingleByteCodePagesToUtf8) {
  const struct {
    std::string Text;
    std::string Utf8;
  } cases[] = {
      {"", ""},
      {"ascii only <&>", "ascii only <&>"},
      {"\xE9", "\xC3\xA9"},
      {"caf\xE9!", "caf\xC3\xA9!"},
      {"\x80", "\xE2\x82\xAC"},  // euro sign
      {"\x81", "\xEF\xBF\xBD"},  // undefined in this code page: replacement character
      {"\xFF\xA0", "\xC3\xBF\xC2\xA0"},
      {std::string("\0x", 2), std::string("\0x", 2)},
  };
  for (const auto& c : cases) EXPECT_EQ(Written(c.Text), c.Utf8) << c.Text;
  EXPECT_EQ(Written("\xE9", 1252, true), "\xC3\xA9\r\n");
  EXPECT_EQ(Written("", 1252, true), "\r\n");
}

TEST(DocumentTextTest, WriteTextFollowsTheStreamsCodePage) {
  EXPECT_EQ(Written("\xC0\xE9", 1251), "\xD0\x90\xD0\xB9");  // Cyrillic A and short i
  // A double-byte code page converts the text as a whole: a lead and a trail byte are one
  // character.
  EXPECT_EQ(Written("a\x82\xA0z", 932), "a\xE3\x81\x82z");
  // UTF-8 texts pass as they are.
  EXPECT_EQ(Written("a\xE2\x82\xACz", 65001), "a\xE2\x82\xACz");
  // A code page whose converter joins a letter and its accent converts the text as a whole.
  EXPECT_EQ(Written("\xE0\xC8", 1255), CodePageToUtf8("\xE0\xC8", 1255));
  // Streams of two code pages written side by side each keep their own.
  TMemoryStream cyrillic;
  TMemoryStream western;
  TDocumentStream first(cyrillic, 1251, '.');
  TDocumentStream second(western, 1252, '.');
  WriteText(first, "\xE9");
  WriteText(second, "\xE9");
  WriteText(first, "\xE9");
  EXPECT_EQ(cyrillic.Bytes(), "\xD0\xB9\xD0\xB9");
  EXPECT_EQ(western.Bytes(), "\xC3\xA9");
}

// A stream that is no memory stream: it keeps what is written in a text of its own.
class TTextSink : public TStream {
 public:
  std::string Text;
  std::size_t Read(void*, std::size_t) override { return 0; }
  void Write(const void* buffer, std::size_t count) override {
    Text.append(static_cast<const char*>(buffer), count);
  }
  std::int64_t Seek(std::int64_t, TSeekOrigin) override {
    return static_cast<std::int64_t>(Text.size());
  }
  std::int64_t Size() override { return static_cast<std::int64_t>(Text.size()); }
};

// The same writes give the same bytes through a memory stream, through any other stream, and
// over the bytes of a memory stream whose position is not at its end.
TEST(DocumentTextTest, EveryKindOfTargetReceivesTheSameBytes) {
  for (const int codePage : {1252, 1251, 932, 65001}) {
    SCOPED_TRACE(codePage);
    const auto write = [](TDocumentStream& stream) {
      WriteLine(stream, "<Page");
      WriteAttribute(stream, "Name", "Caf\xE9\x82\xA0");
      WriteTextAttribute(stream, "Memo", "a\r\n<\xE9>\x01");
      WriteNameAttribute(stream, "Tag", "R&D \xC0");
      WriteAttribute(stream, "Left", std::int64_t{-7});
      WriteText(stream, "/>");
    };
    TMemoryStream memory;
    TDocumentStream intoMemory(memory, codePage, '.');
    write(intoMemory);
    TTextSink sink;
    TDocumentStream intoSink(sink, codePage, '.');
    write(intoSink);
    EXPECT_EQ(sink.Text, memory.Bytes());
    TMemoryStream overwritten(std::string(memory.Bytes().size() + 3, '#'));
    overwritten.SetPosition(2);
    TDocumentStream intoMiddle(overwritten, codePage, '.');
    write(intoMiddle);
    EXPECT_EQ(overwritten.Bytes(), "##" + memory.Bytes() + "#");
    EXPECT_EQ(intoSink.Dropped(), intoMemory.Dropped());
  }
}

TEST(DocumentTextTest, StreamToHexReadsTheWholeStreamFromItsStart) {
  TMemoryStream stream;
  const std::string bytes("\x00\x0F\xAB\xFF\x10", 5);
  stream.Write(bytes.data(), bytes.size());
  EXPECT_EQ(StreamToHex(stream), "000FABFF10");
  EXPECT_EQ(StreamToHex(TMemoryStream()), "");
}

TEST(DocumentTextTest, AttributesAreBlankNameEqualsQuotedValue) {
  TMemoryStream target;
  TDocumentStream stream(target, 1252, '.');
  WriteAttribute(stream, "TagStr", EscapeXml("\xE9\""));
  WriteAttribute(stream, "Left", std::int64_t{-12});
  WriteAttribute(stream, "Empty", "");
  EXPECT_EQ(target.Bytes(), " TagStr=\"\xC3\xA9&#34;\" Left=\"-12\" Empty=\"\"");
}

// The attribute writers of texts escape as EscapeXml and EscapeName do and, on a document stream,
// record what they dropped under the current part and the attribute: how many bytes, and each
// byte once in the order of its first appearance. Tab, CR and LF are kept as references.
TEST(DocumentTextTest, TextAttributesRecordTheControlBytesTheyDrop) {
  const struct {
    std::string Text;
    bool Name;            // written in the form of names
    std::string Written;  // the attribute's bytes
    std::size_t Count;    // bytes dropped
    std::string Dropped;  // distinct bytes dropped
  } cases[] = {
      {"plain <&>", false, " A=\"plain &#60;&#38;&#62;\"", 0, ""},
      {"\t\r\n", false, " A=\"&#9;&#13;&#10;\"", 0, ""},
      {"a\x07z", false, " A=\"az\"", 1, "\x07"},
      {std::string("\x01x\x1F\x01\0\x1F\x0B\x0C\x0E", 9), false, " A=\"x\"", 8,
       std::string("\x01\x1F\0\x0B\x0C\x0E", 6)},
      {"\x1F\t\x01\"", true, " A=\"\t&#34;\"", 2, "\x1F\x01"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Text);
    TMemoryStream target;
    TDocumentStream stream(target, 1252, '.');
    stream.SetPart(1, "Memo3");
    if (c.Name) {
      WriteNameAttribute(stream, "A", c.Text);
    } else {
      WriteTextAttribute(stream, "A", c.Text);
    }
    EXPECT_EQ(target.Bytes(), c.Written);
    if (c.Count == 0) {
      EXPECT_TRUE(stream.Dropped().empty());
    } else {
      EXPECT_EQ(stream.Dropped(),
                (std::vector<TDroppedControls>{{1, "Memo3", "A", c.Count, c.Dropped}}));
    }
  }
  // A second drop from the same attribute of the same part adds to the first; another part or
  // attribute gets its own entry; a kept password byte is no drop.
  TMemoryStream target;
  TDocumentStream stream(target, 1252, '.');
  stream.SetPart(-1);
  WriteTextAttribute(stream, "B", "\x02\x03");
  WriteTextAttribute(stream, "B", "\x04\x02");
  WriteTextAttribute(stream, "P", "\x05", TControlBytes::Keep);
  stream.SetPart(0);
  WriteTextAttribute(stream, "B", "\x02");
  EXPECT_EQ(stream.Dropped(), (std::vector<TDroppedControls>{{-1, "", "B", 4, "\x02\x03\x04"},
                                                             {0, "", "B", 1, "\x02"}}));
  EXPECT_EQ(target.Bytes(), " B=\"\" B=\"\" P=\"\x05\" B=\"\"");
}

TEST(DocumentTextTest, DecimalSeparatorIsTheDocumentStreams) {
  TMemoryStream target;
  EXPECT_EQ(TDocumentStream(target, 1252, ',').DecimalSeparator, ',');
  EXPECT_EQ(TDocumentStream(target, 1252, '.').DecimalSeparator, '.');
  // The C locale, which the tests run under, has a point.
  EXPECT_EQ(LocaleDecimalSeparator(), '.');
}

}  // namespace
}  // namespace kv
