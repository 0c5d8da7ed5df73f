// The code page converter on every system: where a conversion stops and what it gives up to
// there, also where Windows' tables differ from iconv's and where iconv composes letters and marks.
#include <gtest/gtest.h>

#include <string>

#include "platform/CodePages.h"

namespace kv::os {
namespace {

// Conversions stop at the first sequence the other side cannot take and say how far they got;
// the whole tables of both systems are compared by `make windows-codepages`.
TEST(CodePageConverter, StopsAtTheFirstSequenceTheOtherSideCannotTake) {
  struct TCase {
    int CodePage;
    bool ToCodePage;
    std::string In;
    std::string Out;
    std::size_t Taken;
  };
  const TCase cases[] = {
      {1252, false, "caf\xE9 \x80", "caf\xC3\xA9 \xE2\x82\xAC", 6},
      {1252, false, "a\x81z", "a", 1},                      // undefined in iconv, U+0081 in Windows
      {1252, true, "\xC3\xA9\xC2\x81", "\xE9", 2},          // and back
      {1252, true, "x\xC4\x80y", "x", 1},                   // Ā: no best fit to "A"
      {1252, true, "x\xED\xA0\x80", "x", 1},                // a surrogate is malformed UTF-8
      {932, false, "\x82\xA0\x81", "\xE3\x81\x82", 2},      // a lead byte cut off at the end
      {932, false, "\x82\xA0\x81\x20", "\xE3\x81\x82", 2},  // a lead byte with no trail byte
      {932, true, "\xC2\xA5", "\x5C", 2},                   // yen sign to 0x5C, as iconv does
      {936, false, "\xA1\x40", "", 0},                      // user-defined: private use in Windows
      {858, false, "\xD5", "\xE2\x82\xAC", 1},              // 850 with the euro sign
      {1258, false, "A\xCC\x81", "\xC3\x80", 2},            // A + grave composed, then a stop
      {1255, false, "\xE0", "\xD7\x90", 1},  // a letter iconv holds back for marks that may follow
      {1255, false, "\xF9\xCC\xD1", "\xEF\xAC\xAC", 3},             // shin + dagesh + shin dot
      {65001, false, "a\xC3\xA9\xF4\x90\x80\x80", "a\xC3\xA9", 3},  // beyond U+10FFFF
  };
  for (const TCase& c : cases) {
    TCodePageConverter converter(c.CodePage, c.ToCodePage);
    ASSERT_TRUE(converter.Valid()) << c.CodePage;
    std::string out = "=";
    EXPECT_EQ(converter.Convert(c.In, out), c.Taken) << c.CodePage << " " << c.In;
    EXPECT_EQ(out, "=" + c.Out) << c.CodePage << " " << c.In;
  }
  EXPECT_FALSE(TCodePageConverter(0, false).Valid());
}

}  // namespace
}  // namespace kv::os
