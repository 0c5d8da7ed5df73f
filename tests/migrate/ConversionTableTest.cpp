// The conversion-data file and the pairs of its lines.
#include <gtest/gtest.h>

#include "migrate/ConversionTable.h"
#include "support/TempDir.h"

namespace kv {
namespace {

TEST(ConversionTable, PairOfALine) {
  const struct {
    const char* Line;
    const char* Find;
    const char* Replace;
  } cases[] = {
      {"TkvReport=TkvxReport", "TkvReport", "TkvxReport"},
      {"no separator", "", "no separator"},
      {"=starts with it", "", "starts with it"},
      {"a=b=c", "a", "b=c"},
      {"a\x02"
       "b=c\x02"
       "d",
       "a=b", "c=d"},  // byte 2 stands for "="
      {"gone=", "gone", ""},
  };
  for (const auto& c : cases) {
    const TPair pair = PairFromLine(c.Line);
    EXPECT_EQ(pair.Find, c.Find) << c.Line;
    EXPECT_EQ(pair.Replace, c.Replace) << c.Line;
  }
}

TEST(ConversionTable, FileIsWrittenWithCrLfAndReadBackByteForByte) {
  test::TTempDir dir;
  const std::vector<std::string> lines{
      "a\x02"
      "b=x",
      "kvClass=kvxClass", "", "=y"};
  WriteConversionData(dir / "t.dat", lines);
  const std::string bytes = dir.Read("t.dat");
  EXPECT_EQ(bytes,
            "a\x02"
            "b=x\r\nkvClass=kvxClass\r\n\r\n=y\r\n");
  EXPECT_EQ(ReadConversionData(dir / "t.dat"), lines);
  WriteConversionData(dir / "t.dat", ReadConversionData(dir / "t.dat"));
  EXPECT_EQ(dir.Read("t.dat"), bytes);
  // Any line break is accepted on reading.
  dir.Write("lf.dat", "a=b\nc=d\re=f");
  EXPECT_EQ(ReadConversionData(dir / "lf.dat"), (std::vector<std::string>{"a=b", "c=d", "e=f"}));
}

}  // namespace
}  // namespace kv
