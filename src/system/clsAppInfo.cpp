#include "clsAppInfo.h"

#include <cstdint>
#include <limits>

#include "SysUtils.h"

namespace zmt {

namespace {

// The longest remainder that is read after each ".".
constexpr std::size_t kPartWindow = 20;

std::string Quoted(const std::string& text) {
  return "'" + text + "'";
}

// A decimal integer of digits only, within the range of a signed 32-bit integer.
std::int64_t ToVersionPart(const std::string& piece, const std::string& versionText) {
  const auto invalid = [&] {
    return EConvertError(Quoted(piece) + " is not a valid integer value in the version text " +
                         Quoted(versionText));
  };
  if (piece.empty()) {
    throw invalid();
  }
  std::int64_t value = 0;
  for (const char c : piece) {
    if (c < '0' || c > '9') {
      throw invalid();
    }
    value = value * 10 + (c - '0');
    if (value > std::numeric_limits<std::int32_t>::max()) {
      throw invalid();
    }
  }
  return value;
}

}  // namespace

std::string FormatVersionText(std::uint32_t VersionMS, std::uint32_t VersionLS) {
  return std::to_string(VersionMS >> 16) + "." + std::to_string(VersionMS & 0xFFFFu) + "." +
         std::to_string(VersionLS >> 16) + "." + std::to_string(VersionLS & 0xFFFFu);
}

double GetFileVersionNumber(const std::string& VersionText) {
  static constexpr std::int64_t kWeights[] = {100000000, 1000000, 10000};
  const auto wrongParts = [&] {
    return EConvertError(Quoted(VersionText) +
                         " is not a valid version text: it needs four parts joined by \".\"");
  };
  std::int64_t accumulator = 1000000000;
  std::string remaining = VersionText;
  for (const std::int64_t weight : kWeights) {
    const std::size_t dot = remaining.find('.');
    if (dot == std::string::npos) {
      throw wrongParts();
    }
    accumulator += ToVersionPart(remaining.substr(0, dot), VersionText) * weight;
    remaining.erase(0, dot + 1);
    if (remaining.size() > kPartWindow) {
      // Cutting the remainder would drop digits or parts and give a number for a text that
      // does not say it.
      throw EConvertError(Quoted(VersionText) + " is not a valid version text: more than " +
                          std::to_string(kPartWindow) + " characters follow a \".\"");
    }
  }
  if (remaining.find('.') != std::string::npos) {
    throw wrongParts();
  }
  accumulator += ToVersionPart(remaining, VersionText);
  return static_cast<double>(accumulator);
}

}  // namespace zmt
