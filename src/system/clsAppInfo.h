// File versions: the fixed file information of a version resource, its dotted version text, and
// the comparable version number of such a text.
#pragma once

#include <cstdint>
#include <string>

namespace zmt {

// The leading eleven fields of the fixed-size block at the root of a version resource (the file
// date that follows them is not kept).
struct TFixedFileInfo {
  std::uint32_t dwSignature;
  std::uint32_t dwStrucVersion;
  std::uint32_t dwFileVersionMS;
  std::uint32_t dwFileVersionLS;
  std::uint32_t dwProductVersionMS;
  std::uint32_t dwProductVersionLS;
  std::uint32_t dwFileFlagsMask;
  std::uint32_t dwFileFlags;
  std::uint32_t dwFileOS;
  std::uint32_t dwFileType;
  std::uint32_t dwFileSubtype;
};
static_assert(sizeof(TFixedFileInfo) == 44, "eleven 32-bit fields, no padding");

// "major.minor.release.build" of the two file-version fields: the upper and lower halves of
// VersionMS, then of VersionLS, in decimal.
std::string FormatVersionText(std::uint32_t VersionMS, std::uint32_t VersionLS);

// 1,000,000,000 + major * 100,000,000 + minor * 1,000,000 + release * 10,000 + build.
//
// VersionText must be four parts joined by ".", each a decimal integer of digits only (no sign,
// no blanks) from 0 to 2,147,483,647; after each "." at most 20 characters are read, so a longer
// remainder is refused rather than cut. Anything else raises EConvertError. The parts are weighed
// exactly in 64-bit integers, so large parts do not overflow; the sum is then given as a double,
// exact up to 2^53.
double GetFileVersionNumber(const std::string& VersionText);

#ifdef _WIN32
// Fills Info from the file's version resource; leaves it untouched when the file has none or it
// cannot be read.
void ReadFixedFileInfo(const std::string& FileName, TFixedFileInfo& Info);
// The file version of the file as version text; "0.0.0.0" when it has no readable version.
std::string GetFileVersionText(const std::string& FileName);
// The About entry's reading of a module's version: the same text as GetFileVersionText, through
// the same reader, so that the two never disagree on a file.
std::string GetModuleVersionText(const std::string& FileName);
#endif

}  // namespace zmt
