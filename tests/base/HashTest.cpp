// The content hash: its values are stored in run journals, so they are pinned; and a change of
// any single bit, of the length or of the word order must change it.
#include "base/Hash.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace kv {
namespace {

std::string Bytes100() {
  std::string s;
  for (int i = 0; i < 100; ++i) s += static_cast<char>(i * 7 + 1);
  return s;
}

TEST(HashTest, ValuesStayTheSame) {
  EXPECT_EQ(HashText(HashBytes("")), "29096e8fc82ba835");
  EXPECT_EQ(HashText(HashBytes("a")), "bc7db5600751b390");
  EXPECT_EQ(HashText(HashBytes("TkvReport=TkvxReport\r\n")), "118294fa355f60bf");
  EXPECT_EQ(HashText(HashBytes(Bytes100())), "99a8807c7043728c");
}

TEST(HashTest, EveryBitFlipLengthAndOrderChangesTheHash) {
  const std::string base = Bytes100();
  std::set<std::uint64_t> seen{HashBytes(base)};
  for (std::size_t i = 0; i < base.size(); ++i) {
    for (int bit = 0; bit < 8; ++bit) {
      std::string flipped = base;
      flipped[i] = static_cast<char>(flipped[i] ^ (1 << bit));
      EXPECT_TRUE(seen.insert(HashBytes(flipped)).second) << "byte " << i << " bit " << bit;
    }
  }
  // Prefixes of every length, and zero bytes appended, each hash differently.
  const std::string zeros(80, '\0');
  for (std::size_t n = 0; n <= zeros.size(); ++n) {
    EXPECT_TRUE(seen.insert(HashBytes(zeros.substr(0, n))).second) << n;
  }
  // Word order counts: swapping two 8-byte words changes the hash.
  std::string swapped = base;
  std::swap_ranges(swapped.begin(), swapped.begin() + 8, swapped.begin() + 8);
  EXPECT_NE(HashBytes(swapped), HashBytes(base));
}

TEST(HashTest, TextRoundTripsAndOnlyHashTextParses) {
  std::uint64_t value = 0;
  ASSERT_TRUE(ParseHashText(HashText(0x0123456789abcdefULL), value));
  EXPECT_EQ(value, 0x0123456789abcdefULL);
  for (const char* bad : {"", "0123456789abcde", "0123456789abcdef0", "0123456789ABCDEF",
                          "0123456789abcdeg"}) {
    EXPECT_FALSE(ParseHashText(bad, value)) << bad;
  }
}

}  // namespace
}  // namespace kv
