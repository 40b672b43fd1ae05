#include "clsAppInfo.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "SystemTestSupport.h"

namespace zmt {
namespace {

using namespace zmt::test;

struct VersionedFixture {
  const char* program;
  const char* text;
  double number;
};

class FixtureVersion : public testing::TestWithParam<VersionedFixture> {};

TEST_P(FixtureVersion, TextAndNumberOfTheFileVersion) {
  const VersionedFixture& fixture = GetParam();
  const std::string path = Fixture(fixture.program);
  ASSERT_TRUE(FileExists(path)) << path;
  EXPECT_EQ(GetFileVersionText(path), fixture.text);
  EXPECT_EQ(GetModuleVersionText(path), fixture.text);
  EXPECT_EQ(GetFileVersionNumber(GetFileVersionText(path)), fixture.number);
}

INSTANTIATE_TEST_SUITE_P(
    ServicePrograms, FixtureVersion,
    testing::Values(VersionedFixture{"zmt_service.exe", "2.0.0.0", 1200000000.0},
                    VersionedFixture{"zmt_service_1_99_99_9999.exe", "1.99.99.9999", 1199999999.0},
                    VersionedFixture{"zmt_service_2_1_0_37.exe", "2.1.0.37", 1201000037.0},
                    VersionedFixture{"zmt_service_1_0_3_12.exe", "1.0.3.12", 1100030012.0},
                    VersionedFixture{"zmt_service_noversion.exe", "0.0.0.0", 1000000000.0}));

TEST(FixedFileInfo, CopiesTheLeadingFieldsOfTheRootBlock) {
  TFixedFileInfo info = {};
  ReadFixedFileInfo(Fixture("zmt_service_2_1_0_37.exe"), info);
  EXPECT_EQ(info.dwSignature, 0xFEEF04BDu);
  EXPECT_EQ(info.dwStrucVersion, 0x00010000u);
  EXPECT_EQ(info.dwFileVersionMS, 0x00020001u);
  EXPECT_EQ(info.dwFileVersionLS, 0x00000025u);
  EXPECT_EQ(info.dwProductVersionMS, 0x00030000u);
  EXPECT_EQ(info.dwProductVersionLS, 0x00000000u);
  EXPECT_EQ(info.dwFileFlagsMask, static_cast<std::uint32_t>(VS_FFI_FILEFLAGSMASK));
  EXPECT_EQ(info.dwFileFlags, 0u);
  EXPECT_EQ(info.dwFileOS, static_cast<std::uint32_t>(VOS_NT_WINDOWS32));
  EXPECT_EQ(info.dwFileType, static_cast<std::uint32_t>(VFT_APP));
  EXPECT_EQ(info.dwFileSubtype, static_cast<std::uint32_t>(VFT2_UNKNOWN));
}

class FileWithoutVersion : public testing::Test {
 protected:
  void SetUp() override {
    textFile_ = scratch_.File("readme.txt");
    std::FILE* file = std::fopen(textFile_.c_str(), "w");
    ASSERT_NE(file, nullptr);
    std::fputs("A text file has no version resource.\n", file);
    std::fclose(file);
  }

  std::string Names(int index) const {
    switch (index) {
      case 0:
        return textFile_;
      case 1:
        return scratch_.File("no such file.exe");
      case 2:
        return "";
      case 3:
        return Fixture("zmt_service_noversion.exe");
      default:
        // A zero inside the name must not make the system read the file named before it.
        return Fixture("zmt_service.exe") + std::string("\0.txt", 5);
    }
  }
  static constexpr int kNames = 5;

  ScratchDirectory scratch_;
  std::string textFile_;
};

TEST_F(FileWithoutVersion, GivesZeroVersionTextAndTheBaseNumber) {
  for (int i = 0; i < kNames; ++i) {
    SCOPED_TRACE("name " + std::to_string(i) + ": " + Names(i));
    EXPECT_EQ(GetFileVersionText(Names(i)), "0.0.0.0");
    EXPECT_EQ(GetModuleVersionText(Names(i)), "0.0.0.0");
    EXPECT_EQ(GetFileVersionNumber(GetFileVersionText(Names(i))), 1000000000.0);
  }
}

TEST_F(FileWithoutVersion, LeavesTheCallersRecordUntouched) {
  for (int i = 0; i < kNames; ++i) {
    SCOPED_TRACE("name " + std::to_string(i) + ": " + Names(i));
    TFixedFileInfo info;
    std::memset(&info, 0xA5, sizeof info);
    ReadFixedFileInfo(Names(i), info);
    TFixedFileInfo pattern;
    std::memset(&pattern, 0xA5, sizeof pattern);
    EXPECT_EQ(std::memcmp(&info, &pattern, sizeof info), 0);
  }
}

TEST(ModuleVersion, AgreesWithTheFileVersionForSystemLibraries) {
  char system[MAX_PATH];
  ASSERT_NE(GetSystemDirectoryA(system, sizeof system), 0u);
  for (const char* library : {"kernel32.dll", "advapi32.dll", "version.dll"}) {
    const std::string path = std::string(system) + "\\" + library;
    SCOPED_TRACE(path);
    const std::string text = GetFileVersionText(path);
    EXPECT_NE(text, "0.0.0.0");
    EXPECT_EQ(GetModuleVersionText(path), text);
    EXPECT_GT(GetFileVersionNumber(text), 1000000000.0);
  }
}

}  // namespace
}  // namespace zmt
