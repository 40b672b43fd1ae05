#include "modWinApi.h"

#include <gtest/gtest.h>

#include <string>

namespace zmt {
namespace {

TEST(CommandLineBuffer, TakesUpTo512CharactersWithTheTerminatingZero) {
  TCommandLineBuffer buffer;
  buffer.fill('#');
  const std::string longest(kMaxCommandLine, 'x');
  ASSERT_TRUE(PrepareCommandLine(longest, buffer));
  EXPECT_EQ(std::string(buffer.data()), longest);
  EXPECT_EQ(buffer[kMaxCommandLine], '\0');

  ASSERT_TRUE(PrepareCommandLine("net start zmtservice", buffer));
  EXPECT_STREQ(buffer.data(), "net start zmtservice");
  ASSERT_TRUE(PrepareCommandLine("", buffer));
  EXPECT_STREQ(buffer.data(), "");
}

TEST(CommandLineBuffer, RefusesWhatItWouldHaveToCut) {
  TCommandLineBuffer buffer;
  EXPECT_FALSE(PrepareCommandLine(std::string(kMaxCommandLine + 1, 'x'), buffer));
  EXPECT_FALSE(PrepareCommandLine(std::string(100000, 'x'), buffer));
  // The system would read only up to the zero.
  EXPECT_FALSE(PrepareCommandLine(std::string("net stop zmtservice\0 & del x", 28), buffer));
  EXPECT_FALSE(PrepareCommandLine(std::string(1, '\0'), buffer));
}

}  // namespace
}  // namespace zmt
