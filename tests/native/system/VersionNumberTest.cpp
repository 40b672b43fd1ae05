#include "clsAppInfo.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "SysUtils.h"

namespace zmt {
namespace {

TEST(VersionText, JoinsTheFourHalvesOfTheFileVersionFields) {
  EXPECT_EQ(FormatVersionText(0x00020001u, 0x00000025u), "2.1.0.37");
  EXPECT_EQ(FormatVersionText(0x00010063u, 0x0063270Fu), "1.99.99.9999");
  EXPECT_EQ(FormatVersionText(0, 0), "0.0.0.0");
  EXPECT_EQ(FormatVersionText(0xFFFFFFFFu, 0xFFFFFFFFu), "65535.65535.65535.65535");
  EXPECT_EQ(FormatVersionText(0x000A0000u, 0x00000100u), "10.0.0.256");
}

TEST(VersionNumber, WeighsTheFourParts) {
  EXPECT_EQ(GetFileVersionNumber("1.2.3.4"), 1102030004.0);
  EXPECT_EQ(GetFileVersionNumber("2.0.0.0"), 1200000000.0);
  EXPECT_EQ(GetFileVersionNumber("1.99.99.9999"), 1199999999.0);
  EXPECT_LT(GetFileVersionNumber("1.99.99.9999"), 1200000000.0);
  EXPECT_EQ(GetFileVersionNumber("0.0.0.0"), 1000000000.0);
  EXPECT_EQ(GetFileVersionNumber("2.1.0.37"), 1201000037.0);
  EXPECT_EQ(GetFileVersionNumber("1.0.3.12"), 1100030012.0);
  EXPECT_EQ(GetFileVersionNumber("007.0.0.01"), 1700000001.0);
  // Only what follows a dot is read through the twenty-character window.
  EXPECT_EQ(GetFileVersionNumber(std::string(40, '0') + "2.0.0.0"), 1200000000.0);
}

TEST(VersionNumber, NeighbouringFieldsOverlapOutsideTheirRange) {
  EXPECT_EQ(GetFileVersionNumber("1.0.0.10000"), 1100010000.0);
  EXPECT_EQ(GetFileVersionNumber("1.0.0.10000"), GetFileVersionNumber("1.0.1.0"));
}

TEST(VersionNumber, WeighsLargePartsExactlyInsteadOfOverflowing) {
  EXPECT_EQ(GetFileVersionNumber("22.0.0.0"), 3200000000.0);
  EXPECT_EQ(GetFileVersionNumber("0.2148.0.0"), 3148000000.0);
  EXPECT_EQ(GetFileVersionNumber("65535.65535.65535.65535"), 6620690415535.0);
  EXPECT_EQ(GetFileVersionNumber("0.0.0.2147483647"), 3147483647.0);
  // The largest parts that the twenty-character reading allows, far beyond 2^31 once weighed.
  const std::int64_t exact =
      1000000000LL + 2147483647LL * 100000000LL + 99999LL * 1000000LL + 99999LL * 10000LL + 99999LL;
  EXPECT_EQ(GetFileVersionNumber("2147483647.99999.99999.99999"), static_cast<double>(exact));
}

TEST(VersionNumber, ReadsAtMostTwentyCharactersAfterADot) {
  // After the first dot exactly twenty characters remain: still read whole.
  EXPECT_EQ(GetFileVersionNumber("1.2.3.0000000000000004"), 1102030004.0);
  // One more would be cut off, which would change the build number or hide a fifth part.
  EXPECT_THROW(GetFileVersionNumber("1.2.3.00000000000000004"), EConvertError);
  EXPECT_THROW(GetFileVersionNumber("1.2.3.0000000000000000000004.5"), EConvertError);
}

class MalformedVersionText : public testing::TestWithParam<const char*> {};

TEST_P(MalformedVersionText, RaisesAConversionErrorNamingTheText) {
  const std::string text = GetParam();
  try {
    const double number = GetFileVersionNumber(text);
    ADD_FAILURE() << "'" << text << "' gave " << number;
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.ClassName(), "EConvertError");
    EXPECT_NE(e.Message().find("'" + text + "'"), std::string::npos) << e.Message();
  }
}

INSTANTIATE_TEST_SUITE_P(
    NotFourDecimalParts, MalformedVersionText,
    testing::Values("1.2.3", "1.2.3.4.5", "1..3.4", "a.b.c.d", "", ".", "...", "....", "1.2.3.",
                    ".1.2.3", "1.2..", "1.2.3.4.", "1.2.3.4a", "1.2.3.x4", "1,2,3,4", "1.2.3.4\n",
                    // Blanks, signs and other number notations are not decimal digits.
                    " 1.2.3.4", "1.2.3.4 ", "1. 2.3.4", "1.2.3.+4", "-1.2.3.4", "1.2.3.0x10",
                    "1.2.3.$10", "1e3.0.0.0", "1.2.3.\xD9\xA3",
                    // Parts beyond a signed 32-bit integer.
                    "2147483648.0.0.0", "1.2.3.4294967297", "1.2.3.99999999999999999999"));

TEST(VersionNumber, AZeroInsideTheTextIsNotADigit) {
  EXPECT_THROW(GetFileVersionNumber(std::string("1.2.3.4\0", 8)), EConvertError);
  EXPECT_THROW(GetFileVersionNumber(std::string("1.2\0.3.4", 8)), EConvertError);
}

}  // namespace
}  // namespace zmt
