// SplitString and the key look-up on arbitrary text and delimiters. The first byte chooses the
// delimiter's length (0 to 3), the delimiter's bytes follow, the rest is the text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "modStringParsing.h"

namespace {

void Check(bool condition) {
  if (!condition) {
    std::abort();
  }
}

char Upper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Upper(a[i]) != Upper(b[i])) {
      return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) {
    return 0;
  }
  std::size_t delimiterLength = data[0] % 4;
  ++data;
  --size;
  if (delimiterLength > size) {
    delimiterLength = size;
  }
  const char* bytes = reinterpret_cast<const char*>(data);
  const std::string delimiter(bytes, delimiterLength);
  const std::string text(bytes + delimiterLength, size - delimiterLength);

  zmt::TStringList list;
  list.Add("line before");
  int changes = 0;
  list.OnChange = [&] { ++changes; };

  if (delimiter.empty()) {
    bool refused = false;
    try {
      zmt::SplitString(list, text, delimiter);
    } catch (const zmt::EArgumentError&) {
      refused = true;
    }
    Check(refused && changes == 0 && list.Count() == 1 && list[0] == "line before");
    return 0;
  }

  zmt::SplitString(list, text, delimiter);
  Check(list.UpdateCount() == 0);
  if (text.empty()) {
    Check(changes == 0 && list.Count() == 1 && list[0] == "line before");
    return 0;
  }
  Check(changes == 1 && list.Count() >= 1);

  // The pieces hold no delimiter and give the text back when joined with it.
  std::string joined;
  for (int i = 0; i < list.Count(); ++i) {
    Check(list[i].find(delimiter) == std::string::npos);
    if (i > 0) {
      joined += delimiter;
    }
    joined += list[i];
  }
  Check(joined == text);
  if (delimiter.size() == 1) {
    std::size_t occurrences = 0;
    for (const char c : text) {
      occurrences += (c == delimiter[0]) ? 1 : 0;
    }
    Check(static_cast<std::size_t>(list.Count()) == occurrences + 1);
  }

  // Every line's name finds the first line of that name, and its value is the rest after "=".
  const int lines = list.Count() < 64 ? list.Count() : 64;
  for (int i = 0; i < lines; ++i) {
    const std::string& line = list[i];
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos) {
      continue;
    }
    const std::string name = line.substr(0, equals);
    const int found = list.IndexOfName(name);
    Check(found >= 0 && found <= i);
    const std::string& match = list[found];
    const std::size_t matchEquals = match.find('=');
    Check(matchEquals != std::string::npos && SameName(match.substr(0, matchEquals), name));
    for (int j = 0; j < found; ++j) {
      const std::size_t e = list[j].find('=');
      Check(e == std::string::npos || !SameName(list[j].substr(0, e), name));
    }
    Check(list.Values(name) == match.substr(matchEquals + 1));
  }
  return 0;
}
