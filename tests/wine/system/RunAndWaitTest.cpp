#include "modWinApi.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "SystemTestSupport.h"
#include "WinHandles.h"

namespace zmt {
namespace {

using namespace zmt::test;

std::string Probe() {
  return "\"" + Fixture("zmt_child_probe.exe") + "\"";
}

TEST(RunAndWait, GivesMinusOneWhenNoProcessCanBeCreated) {
  EXPECT_EQ(RunAndWait("c:\\zmt\\no such directory\\program.exe", SW_HIDE), -1);
  EXPECT_EQ(RunAndWait("zmt-no-such-program /install", SW_HIDE), -1);
  EXPECT_EQ(RunAndWait("", SW_HIDE), -1);
}

TEST(RunAndWait, GivesTheExitCodeUnchanged) {
  EXPECT_EQ(RunAndWait(Probe() + " exit 2", SW_HIDE), 2);
  EXPECT_EQ(RunAndWait(Probe() + " exit 0", SW_HIDE), 0);
  EXPECT_EQ(RunAndWait(Probe() + " exit 0x7FFFFFFF", SW_HIDE), 0x7FFFFFFF);
  EXPECT_EQ(RunAndWait(Probe() + " exit 0x80000000", SW_HIDE), INT32_MIN);
  // An exit code of 0xFFFFFFFF reads like a process that was never created.
  EXPECT_EQ(RunAndWait(Probe() + " exit 0xFFFFFFFF", SW_HIDE), -1);
}

TEST(RunAndWait, FindsTheProgramByTheSystemsSearchRules) {
  EXPECT_EQ(RunAndWait("cmd /c exit 3", SW_HIDE), 3);
}

TEST(RunAndWait, RunsAProgramWhosePathHasBlanks) {
  ScratchDirectory scratch;
  const std::string directory = scratch.File("with blanks");
  ASSERT_TRUE(CreateDirectoryA(directory.c_str(), nullptr));
  const std::string copy = directory + "\\probe copy.exe";
  ASSERT_TRUE(CopyFileA(Fixture("zmt_child_probe.exe").c_str(), copy.c_str(), TRUE));
  EXPECT_EQ(RunAndWait("\"" + copy + "\" exit 5", SW_HIDE), 5);
}

TEST(RunAndWait, ReturnsOnlyAfterTheChildHasEnded) {
  ScratchDirectory scratch;
  const std::string marker = scratch.File("ended.txt");
  const ULONGLONG start = GetTickCount64();
  EXPECT_EQ(RunAndWait(Probe() + " exit 7 1500 \"" + marker + "\"", SW_HIDE), 7);
  const ULONGLONG elapsed = GetTickCount64() - start;
  // The child writes the marker as its last act, after its wait.
  EXPECT_TRUE(FileExists(marker));
  EXPECT_GE(elapsed, 1400u);
}

TEST(RunAndWait, TheChildSeesTheShowModeItWasGiven) {
  const int useShowWindow = 0x10000;
  EXPECT_EQ(RunAndWait(Probe() + " showmode", SW_HIDE), useShowWindow | SW_HIDE);
  EXPECT_EQ(RunAndWait(Probe() + " showmode", SW_SHOWMINNOACTIVE),
            useShowWindow | SW_SHOWMINNOACTIVE);
  EXPECT_EQ(RunAndWait(Probe() + " showmode", SW_SHOWNORMAL), useShowWindow | SW_SHOWNORMAL);
}

TEST(RunAndWait, AProgramThatWaitsForAnAnswerReadsTheEndOfItsInputAndEnds) {
  EXPECT_EQ(RunAndWait(Probe() + " readline 4", SW_HIDE), 4);
}

TEST(RunAndWait, TheChildInheritsNoHandleOfTheHost) {
  // A pipe that the host made inheritable for a child of its own.
  SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
  HANDLE read = nullptr;
  HANDLE write = nullptr;
  ASSERT_TRUE(CreatePipe(&read, &write, &inheritable, 0));
  const UniqueKernelHandle reader(read);
  const UniqueKernelHandle writer(write);
  const std::string value = std::to_string(reinterpret_cast<std::uintptr_t>(write));
  EXPECT_EQ(RunAndWait(Probe() + " write " + value, SW_HIDE), 0);
  DWORD available = 0;
  ASSERT_TRUE(PeekNamedPipe(read, nullptr, 0, nullptr, &available, nullptr));
  EXPECT_EQ(available, 0u) << "the child wrote into the host's pipe";
}

// A command line of exactly the given length that makes the probe write the marker.
std::string CommandLineOfLength(std::size_t length, const std::string& marker) {
  std::string commandLine = Probe() + " exit 0 0 \"" + marker + "\" ";
  commandLine.append(length - commandLine.size(), 'x');
  return commandLine;
}

TEST(RunAndWait, RefusesACommandLineLongerThan512CharactersAndRunsNothing) {
  ScratchDirectory scratch;
  const std::string tooLongMarker = scratch.File("too long.txt");
  EXPECT_EQ(RunAndWait(CommandLineOfLength(513, tooLongMarker), SW_HIDE), -1);
  EXPECT_FALSE(FileExists(tooLongMarker));

  const std::string longestMarker = scratch.File("longest.txt");
  EXPECT_EQ(RunAndWait(CommandLineOfLength(512, longestMarker), SW_HIDE), 0);
  EXPECT_TRUE(FileExists(longestMarker));
}

TEST(RunAndWait, RefusesACommandLineWithAZeroInside) {
  ScratchDirectory scratch;
  const std::string marker = scratch.File("marker.txt");
  std::string commandLine = Probe() + " exit 0 0 \"" + marker + "\"";
  commandLine += std::string("\0 trailing", 10);
  EXPECT_EQ(RunAndWait(commandLine, SW_HIDE), -1);
  EXPECT_FALSE(FileExists(marker));
}

}  // namespace
}  // namespace zmt
