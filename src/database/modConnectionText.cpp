#include "modConnectionText.h"

#include <cctype>

namespace zmt {

namespace {

constexpr char kMask[] = "***";

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string LowerTrimmed(const std::string& text) {
  std::string::size_type first = 0;
  std::string::size_type last = text.size();
  while (first < last && IsBlank(text[first])) ++first;
  while (last > first && IsBlank(text[last - 1])) --last;
  std::string lower;
  for (std::string::size_type i = first; i < last; ++i) {
    lower += static_cast<char>(std::tolower(static_cast<unsigned char>(text[i])));
  }
  return lower;
}

struct TEnclosed {
  std::string::size_type End;  // after the closing character, or the text's end
  bool Closed;
};

// A value enclosed by its opening character at Start and Close, where a doubled closing
// character stands for one.
TEnclosed Enclosed(const std::string& text, std::string::size_type start, char close) {
  std::string::size_type i = start + 1;
  while (i < text.size()) {
    if (text[i] == close) {
      if (i + 1 < text.size() && text[i + 1] == close) {
        i += 2;
        continue;
      }
      return {i + 1, true};
    }
    ++i;
  }
  return {text.size(), false};
}

std::string Mask(const std::string& text, int depth);

// One key's value: masked whole for a password key; for other keys, a quoted value is a
// connection string of its own (Extended Properties) and is masked inside.
void AppendValue(std::string& out, const std::string& text, std::string::size_type start,
                 std::string::size_type end, bool secret, int depth) {
  std::string::size_type first = start;
  while (first < end && IsBlank(text[first])) ++first;
  out.append(text, start, first - start);
  if (first == end) return;
  if (secret) {
    out += kMask;
    return;
  }
  const char open = text[first];
  if ((open == '"' || open == '\'') && depth < 4) {
    const TEnclosed value = Enclosed(text, first, open);
    const std::string::size_type innerEnd = value.Closed ? value.End - 1 : value.End;
    out += open;
    out += Mask(text.substr(first + 1, innerEnd - first - 1), depth + 1);
    out.append(text, innerEnd, end - innerEnd);
    return;
  }
  out.append(text, first, end - first);
}

std::string Mask(const std::string& text, int depth) {
  std::string out;
  out.reserve(text.size());
  std::string::size_type i = 0;
  while (i < text.size()) {
    const std::string::size_type equals = text.find_first_of("=;", i);
    if (equals == std::string::npos || text[equals] == ';') {
      // A piece without a key: kept as it is.
      const std::string::size_type end = equals == std::string::npos ? text.size() : equals + 1;
      out.append(text, i, end - i);
      i = end;
      continue;
    }
    const std::string key = LowerTrimmed(text.substr(i, equals - i));
    const bool secret = key == "password" || key == "pwd";
    out.append(text, i, equals + 1 - i);
    // The value runs to the next ";" outside quotes and braces.
    std::string::size_type j = equals + 1;
    while (j < text.size() && IsBlank(text[j])) ++j;
    if (j < text.size() && (text[j] == '"' || text[j] == '\'')) {
      j = Enclosed(text, j, text[j]).End;
    } else if (j < text.size() && text[j] == '{') {
      j = Enclosed(text, j, '}').End;
    }
    std::string::size_type end = text.find(';', j);
    if (end == std::string::npos) end = text.size();
    AppendValue(out, text, equals + 1, end, secret, depth);
    if (end < text.size()) out += ';';
    i = end + 1;
  }
  return out;
}

}  // namespace

std::string MaskConnectionPasswords(const std::string& ConnectionString) {
  return Mask(ConnectionString, 0);
}

std::string ConnectFailureReason(const std::string& ErrorMessage,
                                 const std::string& ConnectionString) {
  return ErrorMessage + "\r" + "Connection String: " + MaskConnectionPasswords(ConnectionString);
}

}  // namespace zmt
