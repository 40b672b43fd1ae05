#include "HostError.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "SysUtils.h"

namespace zmt {
namespace {

TEST(HostError, GuardTurnsEachKindOfExceptionIntoAnErrorObject) {
  struct Case {
    void (*raise)();
    const char* source;
    const char* message;
  };
  const Case cases[] = {
      {[] { throw EConvertError("'x' is not a valid integer value"); }, "EConvertError",
       "'x' is not a valid integer value"},
      {[] { throw Exception("plain"); }, "Exception", "plain"},
      {[] { throw std::bad_alloc(); }, "EOutOfMemory", "Out of memory"},
      {[] { throw std::runtime_error("std"); }, "Exception", "std"},
      {[] { throw 42; }, "Exception", "Unexpected error"},
  };
  for (const Case& c : cases) {
    ClearHostError();
    EXPECT_FALSE(RunGuarded(c.raise));
    HostError error;
    ASSERT_TRUE(TakeHostError(error)) << c.message;
    EXPECT_EQ(error.Source, c.source);
    EXPECT_EQ(error.Message, c.message);
    EXPECT_FALSE(TakeHostError(error)) << "taking the error clears it";
  }
}

TEST(HostError, CompletedWorkLeavesNoError) {
  ClearHostError();
  int ran = 0;
  EXPECT_TRUE(RunGuarded([&] { ++ran; }));
  EXPECT_EQ(ran, 1);
  HostError error;
  EXPECT_FALSE(TakeHostError(error));
}

}  // namespace
}  // namespace zmt
