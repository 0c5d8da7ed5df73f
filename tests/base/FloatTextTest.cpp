// Tests of the floating-point text forms: rounding, notation thresholds, signs and special values.
#include <gtest/gtest.h>

#include <limits>

#include "base/FloatText.h"

namespace kv {
namespace {

struct TFloatCase {
  long double Value;
  const char* Expected;
};

TEST(FloatTextTest, GeneralFormRoundsTo15DigitsAndSwitchesNotationAtTheThresholds) {
  const long double inf = std::numeric_limits<long double>::infinity();
  const TFloatCase cases[] = {
      {0.0L, "0"},
      {-0.0L, "0"},
      {1.0L, "1"},
      {-1.5L, "-1.5"},
      {0.1, "0.1"},  // the double nearest 0.1 carries noise beyond 15 digits
      {0.1f, "0.100000001490116"},
      {1.0L / 3, "0.333333333333333"},
      {2.0L / 3, "0.666666666666667"},
      {123456789012345.0L, "123456789012345"},
      {100.0L, "100"},
      {-42.0L, "-42"},
      {999999999999999.0L, "999999999999999"},  // the largest whole number written in full
      {45000.25L, "45000.25"},
      {0.99999999999999999L, "1"},
      {999999999999999.9L, "1E15"},  // rounding carries into the next power of ten
      {1e15L, "1E15"},
      {1e20L, "1E20"},
      {-2.25e300L, "-2.25E300"},
      {1.23456789012345678e-300L, "1.23456789012346E-300"},
      {1e-5L, "0.00001"},
      {0.000012345L, "0.000012345"},
      {1.5e-6L, "1.5E-6"},
      {9.2233720368547758e18L, "9.22337203685478E18"},
      {std::numeric_limits<long double>::max(), "1.18973149535723E4932"},
      {std::numeric_limits<long double>::quiet_NaN(), "NAN"},
      {inf, "INF"},
      {-inf, "-INF"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatFloatGeneral(c.Value, '.'), c.Expected) << "value " << c.Value;
  }
  EXPECT_EQ(FormatFloatGeneral(-1.5L, ','), "-1,5");
  EXPECT_EQ(FormatFloatGeneral(1.5e-6L, ','), "1,5E-6");
}

TEST(FloatTextTest, Fixed80FormHas16SignificantDigitsAnd18Decimals) {
  const TFloatCase cases[] = {
      {1.5L, "1.500000000000000000"},
      {-2.5L, "-2.500000000000000000"},
      {1.0L / 3, "0.333333333333333300"},
      {0.1L, "0.100000000000000000"},
      {0.001L, "0.001000000000000000"},
      {123.456L, "123.456000000000000000"},
      {12345678901234567890.0L, "12345678901234570000.000000000000000000"},
      {1e20L, "100000000000000000000.000000000000000000"},
      // Below 0.001 the 18th decimal, not the 16th digit, limits the precision.
      {1.2345678901234567e-5L, "0.000012345678901235"},
      {7e-19L, "0.000000000000000001"},
      {0.0L, "0.000000000000000000"},
      {-0.0L, "0.000000000000000000"},
      {-1e-30L, "0.000000000000000000"},
      {std::numeric_limits<long double>::quiet_NaN(), "NAN"},
      {-std::numeric_limits<long double>::infinity(), "-INF"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatFloatFixed80(c.Value), c.Expected) << "value " << c.Value;
  }
  // The largest finite value, written out in full: 4933 integer digits.
  EXPECT_EQ(FormatFloatFixed80(std::numeric_limits<long double>::max()),
            "1189731495357232" + std::string(4933 - 16, '0') + "." + std::string(18, '0'));
}

}  // namespace
}  // namespace kv
