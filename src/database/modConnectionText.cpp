#include "modConnectionText.h"

#include <cctype>
#include <string_view>

namespace zmt {

namespace {

constexpr char kMask[] = "***";
constexpr std::string_view::size_type npos = std::string_view::npos;

// Values inside values (Extended Properties holding an ODBC string that holds another) are
// followed this deep; what lies deeper is hidden whole when it could hold a key.
constexpr int kMaxDepth = 8;

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool EndsWith(const std::string& text, std::string_view tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), npos, tail) == 0;
}

// Providers and drivers name their secrets in many ways ("Jet OLEDB:Database Password", "PWD",
// "Encryption Password"): every key that ends like one is taken for one.
bool IsSecretKey(std::string_view key) {
  std::string_view::size_type first = 0;
  std::string_view::size_type last = key.size();
  while (first < last && IsBlank(key[first])) ++first;
  while (last > first && IsBlank(key[last - 1])) --last;
  std::string lower;
  lower.reserve(last - first);
  for (std::string_view::size_type i = first; i < last; ++i) {
    lower += static_cast<char>(std::tolower(static_cast<unsigned char>(key[i])));
  }
  return EndsWith(lower, "password") || EndsWith(lower, "pwd");
}

// The character that closes a value opened by c, or 0 when c opens none.
char CloserOf(char c) {
  switch (c) {
    case '"':
    case '\'':
      return c;
    case '{':
      return '}';
    default:
      return 0;
  }
}

// Where a value opened just before Start closes, within one text; a doubled closing character
// stands for itself. Remembers the earliest start from which no close was found: a later scan
// that falls into step with that one (any position after it not preceded by the closing
// character) cannot close either, so a text full of unclosed values is not scanned again and
// again to its end.
class TCloseFinder {
 public:
  explicit TCloseFinder(std::string_view text) : text_(text) {}

  std::string_view::size_type Find(std::string_view::size_type start, char close) {
    std::string_view::size_type& unclosed = UnclosedFrom(close);
    std::string_view::size_type i = start;
    while (i < text_.size()) {
      if (unclosed != npos && (i == unclosed || (i > unclosed && text_[i - 1] != close))) break;
      if (text_[i] == close) {
        if (i + 1 < text_.size() && text_[i + 1] == close) {
          i += 2;
          continue;
        }
        return i;
      }
      ++i;
    }
    if (unclosed == npos || start < unclosed) unclosed = start;
    return npos;
  }

 private:
  std::string_view::size_type& UnclosedFrom(char close) {
    return close == '}' ? unclosed_[0] : close == '"' ? unclosed_[1] : unclosed_[2];
  }

  std::string_view text_;
  std::string_view::size_type unclosed_[3] = {npos, npos, npos};
};

void MaskText(std::string_view text, std::string& out, int depth);

// A value that may itself be a connection string.
void MaskNested(std::string_view value, std::string& out, int depth) {
  if (depth < kMaxDepth) {
    MaskText(value, out, depth + 1);
  } else if (value.find('=') != npos) {
    out += kMask;
  } else {
    out += value;
  }
}

// The inside of a closed value: its doubled closing characters undone, masked as a connection
// string of its own, and written back enclosed as before.
void AppendEnclosed(std::string_view inner, char open, char close, std::string& out, int depth) {
  std::string plain;
  plain.reserve(inner.size());
  for (std::string_view::size_type i = 0; i < inner.size(); ++i) {
    plain += inner[i];
    if (inner[i] == close) ++i;
  }
  std::string masked;
  MaskNested(plain, masked, depth);
  out += open;
  for (char c : masked) {
    out += c;
    if (c == close) out += c;
  }
  out += close;
}

void MaskText(std::string_view text, std::string& out, int depth) {
  TCloseFinder closes(text);
  std::string_view::size_type i = 0;
  while (i < text.size()) {
    const std::string_view::size_type equals = text.find_first_of("=;", i);
    if (equals == npos || text[equals] == ';') {
      // A piece without a key: kept as it is.
      const std::string_view::size_type end = equals == npos ? text.size() : equals + 1;
      out.append(text, i, end - i);
      i = end;
      continue;
    }
    const bool secret = IsSecretKey(text.substr(i, equals - i));
    out.append(text, i, equals + 1 - i);
    std::string_view::size_type first = equals + 1;
    while (first < text.size() && IsBlank(text[first])) ++first;
    out.append(text, equals + 1, first - equals - 1);

    // The value runs to the next ";" after its closing quote or brace. One that is never
    // closed ends at the next ";", as a provider that gives up on it would read the keys after
    // it; a secret one is hidden to the end, since its own text may hold the ";".
    const char close = first < text.size() ? CloserOf(text[first]) : 0;
    const std::string_view::size_type closed = close ? closes.Find(first + 1, close) : npos;
    std::string_view::size_type end;
    if (closed != npos) {
      end = text.find(';', closed + 1);
    } else if (close && secret) {
      end = text.size();
    } else {
      end = text.find(';', close ? first + 1 : first);
    }
    if (end == npos) end = text.size();

    if (first == end) {
      // An empty value stays empty.
    } else if (secret) {
      out += kMask;
    } else if (closed != npos) {
      AppendEnclosed(text.substr(first + 1, closed - first - 1), text[first], close, out, depth);
      // No provider takes text between a closing quote and the ";": it is hidden, since it
      // may be a password whose opening quote closed an unfinished value before it.
      const std::string_view rest = text.substr(closed + 1, end - closed - 1);
      bool blank = true;
      for (char c : rest) blank = blank && IsBlank(c);
      if (blank) {
        out += rest;
      } else {
        out += kMask;
      }
    } else if (close) {
      out += text[first];
      MaskNested(text.substr(first + 1, end - first - 1), out, depth);
    } else {
      MaskNested(text.substr(first, end - first), out, depth);
    }
    if (end < text.size()) out += ';';
    i = end + 1;
  }
}

}  // namespace

std::string MaskConnectionPasswords(const std::string& ConnectionString) {
  std::string out;
  out.reserve(ConnectionString.size());
  MaskText(ConnectionString, out, 0);
  return out;
}

std::string ConnectFailureReason(const std::string& ErrorMessage,
                                 const std::string& ConnectionString) {
  return ErrorMessage + "\r" + "Connection String: " + MaskConnectionPasswords(ConnectionString);
}

}  // namespace zmt
