#include "modStringUtils.h"

#include <gtest/gtest.h>

#include <string>

namespace zmt {
namespace {

TEST(ReplaceChar, TurnsConnectionStringBlanksIntoUnderscoresAndBack) {
  EXPECT_EQ(ReplaceChar("Data Source=MY SERVER;Initial Catalog=POS", ' ', '_'),
            "Data_Source=MY_SERVER;Initial_Catalog=POS");
  EXPECT_EQ(ReplaceChar("MY_SERVER", '_', ' '), "MY SERVER");
}

TEST(ReplaceChar, LeavesTheCallersTextAndTextsWithoutTheCharacterAlone) {
  const std::string text = "a b c";
  EXPECT_EQ(ReplaceChar(text, ' ', '-'), "a-b-c");
  EXPECT_EQ(text, "a b c");
  EXPECT_EQ(ReplaceChar(text, 'x', '-'), text);
  EXPECT_EQ(ReplaceChar(text, ' ', ' '), text);
  EXPECT_EQ(ReplaceChar("", ' ', '_'), "");
}

TEST(ReplaceChar, ComparesExactByteValues) {
  EXPECT_EQ(ReplaceChar("aAaA", 'a', 'x'), "xAxA");
  // Bytes above 127 are characters like any other, not signed look-alikes of others.
  const std::string latin = "caf\xE9 \xC9t\xE9";
  EXPECT_EQ(ReplaceChar(latin, '\xE9', 'e'), "cafe \xC9te");
  const std::string withZero("a\0b\0", 4);
  EXPECT_EQ(ReplaceChar(withZero, '\0', '.'), "a.b.");
}

TEST(ReplaceCharRange, ExaminesOnlyThePositionsFromFirstToLast) {
  EXPECT_EQ(ReplaceCharRange("aaaaa", 'a', 'x', 2, 4), "axxxa");
  EXPECT_EQ(ReplaceCharRange("aaaaa", 'a', 'x', 1, 1), "xaaaa");
  EXPECT_EQ(ReplaceCharRange("aaaaa", 'a', 'x', 5, 5), "aaaax");
  EXPECT_EQ(ReplaceCharRange("aaaaa", 'a', 'x', 1, 5), "xxxxx");
  EXPECT_EQ(ReplaceCharRange("abab", 'b', 'c', 1, 3), "acab");
}

TEST(ReplaceCharRange, ALastBelowFirstExaminesNothing) {
  EXPECT_EQ(ReplaceCharRange("aaaaa", 'a', 'x', 4, 3), "aaaaa");
  EXPECT_EQ(ReplaceCharRange("aaaaa", 'a', 'x', 1, 0), "aaaaa");
  EXPECT_EQ(ReplaceCharRange("", 'a', 'x', 1, 0), "");
}

TEST(ReplaceCharRange, ARangeReachingOutsideTheTextIsCutToIt) {
  EXPECT_EQ(ReplaceCharRange("aaa", 'a', 'x', 0, 2), "xxa");
  EXPECT_EQ(ReplaceCharRange("aaa", 'a', 'x', -10, 100), "xxx");
  EXPECT_EQ(ReplaceCharRange("aaa", 'a', 'x', 3, 100), "aax");
  EXPECT_EQ(ReplaceCharRange("aaa", 'a', 'x', 4, 100), "aaa");
  EXPECT_EQ(ReplaceCharRange("", 'a', 'x', -1, 1), "");
}

}  // namespace
}  // namespace zmt
