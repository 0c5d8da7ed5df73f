// Tests of the conversions between code pages and UTF-8: plain ASCII texts, which pass as they
// are, texts that need the converter, and code pages that cannot be used.
#include <gtest/gtest.h>

#include <string>

#include "base/CodePage.h"
#include "base/Errors.h"

namespace kv {
namespace {

TEST(CodePageTest, TextsConvertBothWaysWhetherOrNotTheyAreAscii) {
  const struct {
    int CodePage;
    std::string Text;
    std::string Utf8;
  } cases[] = {
      {1252, "", ""},
      {1252, "Memo1: 10 < 20", "Memo1: 10 < 20"},
      {1252, std::string("a\0b\x7F", 4), std::string("a\0b\x7F", 4)},
      {1252, "caf\xE9", "caf\xC3\xA9"},
      {1251, "\xC0", "\xD0\x90"},
      {932, "a\x82\xA0z", "a\xE3\x81\x82z"},
      {65001, "a\xE2\x82\xACz", "a\xE2\x82\xACz"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.CodePage);
    EXPECT_EQ(CodePageToUtf8(c.Text, c.CodePage), c.Utf8);
    EXPECT_EQ(Utf8ToCodePage(c.Utf8, c.CodePage), c.Text);
  }
  // A byte the code page leaves undefined, and a character it lacks.
  EXPECT_EQ(CodePageToUtf8("a\x81", 1252), "a\xEF\xBF\xBD");
  EXPECT_EQ(Utf8ToCodePage("a\xD0\x90", 1252), "a?");
}

TEST(CodePageTest, CodePagesThatCannotBeUsedAreRefusedForEveryText) {
  for (const std::string text : {"plain", "caf\xE9"}) {
    EXPECT_THROW(CodePageToUtf8(text, 4242), EConfigError) << text;
    EXPECT_THROW(Utf8ToCodePage(text, 4242), EConfigError) << text;
  }
  EXPECT_THROW(CheckCodePage(4242), EConfigError);
  EXPECT_NO_THROW(CheckCodePage(1250));
}

}  // namespace
}  // namespace kv
