#include "modConnectionText.h"

#include <optional>
#include <string_view>
#include <vector>

#include "SysUtils.h"

namespace zmt {

namespace {

constexpr char kMask[] = "***";
constexpr std::string_view::size_type npos = std::string_view::npos;

// Values inside values (Extended Properties holding an ODBC string that holds another) are
// followed this deep; what lies deeper is hidden whole when it could hold a key.
constexpr int kMaxDepth = 8;

// Every control byte and the no-break space (0xA0 in the Western code pages), which a string
// pasted from a document brings along: a provider that trims any of them around a key would
// otherwise read a secret key that the masking does not see.
bool IsBlank(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte <= 0x20 || byte == 0xA0;
}

bool IsAllBlank(std::string_view text) {
  for (char c : text) {
    if (!IsBlank(c)) return false;
  }
  return true;
}

bool EndsWith(const std::string& text, std::string_view tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), npos, tail) == 0;
}

// A key as providers compare it: without the blanks around it, in any case.
std::string KeyName(std::string_view key) {
  while (!key.empty() && IsBlank(key.front())) key.remove_prefix(1);
  while (!key.empty() && IsBlank(key.back())) key.remove_suffix(1);
  return LowerCase(key);
}

// Providers and drivers name their secrets in many ways ("Jet OLEDB:Database Password", "PWD",
// "Encryption Password"): every key that ends like one is taken for one.
bool IsSecretKey(std::string_view key) {
  const std::string name = KeyName(key);
  return EndsWith(name, "password") || EndsWith(name, "pwd");
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

// One piece of a connection string: "key=value" up to its ";", or a piece without a key.
struct TPiece {
  std::string_view::size_type Start = 0;
  std::string_view::size_type Equals = npos;  // npos for a piece without a key
  std::string_view::size_type First = 0;      // the value's first character after blanks
  char Close = 0;                             // what closes the value's opening quote or brace
  std::string_view::size_type Closed = npos;  // where it closes; npos when it never does
  std::string_view::size_type End = 0;        // the ";" after the piece, or the text's end
  bool Secret = false;
};

class TPieceReader {
 public:
  explicit TPieceReader(std::string_view text) : text_(text), closes_(text) {}

  bool Next(TPiece& piece) {
    if (next_ >= text_.size()) return false;
    piece = TPiece();
    piece.Start = next_;
    const std::string_view::size_type equals = text_.find_first_of("=;", next_);
    if (equals == npos || text_[equals] == ';') {
      piece.End = equals == npos ? text_.size() : equals;
    } else {
      piece.Equals = equals;
      piece.Secret = IsSecretKey(text_.substr(next_, equals - next_));
      piece.First = equals + 1;
      while (piece.First < text_.size() && IsBlank(text_[piece.First])) ++piece.First;
      // The value runs to the next ";" after its closing quote or brace. One that is never
      // closed ends at the next ";", as a provider that gives up on it would read the keys
      // after it; a secret one runs to the end, since its own text may hold the ";".
      piece.Close = piece.First < text_.size() ? CloserOf(text_[piece.First]) : 0;
      if (piece.Close) piece.Closed = closes_.Find(piece.First + 1, piece.Close);
      if (piece.Closed != npos) {
        piece.End = text_.find(';', piece.Closed + 1);
      } else if (piece.Close && piece.Secret) {
        piece.End = text_.size();
      } else {
        piece.End = text_.find(';', piece.Close ? piece.First + 1 : piece.First);
      }
      if (piece.End == npos) piece.End = text_.size();
    }
    next_ = piece.End + 1;
    return true;
  }

 private:
  std::string_view text_;
  TCloseFinder closes_;
  std::string_view::size_type next_ = 0;
};

// The text between a value's closing quote or brace and the ";" after it.
std::string_view AfterClose(std::string_view text, const TPiece& piece) {
  return text.substr(piece.Closed + 1, piece.End - piece.Closed - 1);
}

// Whether a piece reads as a "key=value" of its own: a key without quotes or braces, and a quoted
// or braced value that closes with nothing but blanks after it. Anything else after a secret
// is taken for more of the secret: an administrator who types a password with a ";" or an
// undoubled quote in it splits it into pieces like these.
bool IsWellFormed(std::string_view text, const TPiece& piece) {
  if (piece.Equals == npos) return false;
  const std::string_view key = text.substr(piece.Start, piece.Equals - piece.Start);
  if (IsAllBlank(key) || key.find_first_of("\"'{}") != npos) return false;
  if (!piece.Close) return true;
  return piece.Closed != npos && IsAllBlank(AfterClose(text, piece));
}

// Whether what follows a piece may still be part of a secret: the piece is a secret itself, or
// text follows its closing quote, as when a password's own quote closed an unfinished value
// before it.
bool MayRunOn(std::string_view text, const TPiece& piece) {
  if (piece.Secret) return true;
  return piece.Closed != npos && !IsAllBlank(AfterClose(text, piece));
}

// The pieces of a text, each one that may hide a secret stretched over the pieces after it up
// to the next well-formed one; blank pieces between the two stay pieces of their own.
std::vector<TPiece> SecretsStretched(std::string_view text) {
  std::vector<TPiece> pieces;
  TPieceReader reader(text);
  TPiece piece;
  while (reader.Next(piece)) pieces.push_back(piece);
  std::vector<TPiece> result;
  result.reserve(pieces.size());
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    result.push_back(pieces[i]);
    if (!MayRunOn(text, pieces[i])) continue;
    std::size_t last = i;
    for (std::size_t j = i + 1; j < pieces.size() && !IsWellFormed(text, pieces[j]); ++j) {
      if (!IsAllBlank(text.substr(pieces[j].Start, pieces[j].End - pieces[j].Start))) last = j;
    }
    result.back().End = pieces[last].End;
    i = last;
  }
  return result;
}

void MaskText(std::string_view text, std::string& out, int depth) {
  for (const TPiece& piece : SecretsStretched(text)) {
    if (piece.Equals == npos) {
      // A piece without a key: kept as it is.
      out.append(text, piece.Start, piece.End - piece.Start);
    } else {
      const std::string_view::size_type first = piece.First;
      const std::string_view::size_type end = piece.End;
      out.append(text, piece.Start, first - piece.Start);
      if (first == end) {
        // An empty value stays empty.
      } else if (piece.Secret) {
        out += kMask;
      } else if (piece.Closed != npos) {
        const std::string_view::size_type closed = piece.Closed;
        AppendEnclosed(text.substr(first + 1, closed - first - 1), text[first], piece.Close, out,
                       depth);
        // No provider takes text between a closing quote and the ";": it is hidden, since it
        // may be a password whose opening quote closed an unfinished value before it.
        const std::string_view rest = AfterClose(text, piece);
        if (IsAllBlank(rest)) {
          out += rest;
        } else {
          out += kMask;
        }
      } else if (piece.Close) {
        out += text[first];
        MaskNested(text.substr(first + 1, end - first - 1), out, depth);
      } else {
        MaskNested(text.substr(first, end - first), out, depth);
      }
    }
    if (piece.End < text.size()) out += ';';
  }
}

// The value of the top-level Provider key, without blanks and quotes.
std::optional<std::string> ProviderOf(const std::string& ConnectionString) {
  const std::string_view text(ConnectionString);
  TPieceReader reader(text);
  TPiece piece;
  while (reader.Next(piece)) {
    if (piece.Equals == npos) continue;
    if (KeyName(text.substr(piece.Start, piece.Equals - piece.Start)) != "provider") continue;
    std::string_view::size_type first = piece.First;
    std::string_view::size_type end = piece.End;
    if (piece.Closed != npos) {
      ++first;
      end = piece.Closed;
    }
    while (end > first && IsBlank(text[end - 1])) --end;
    return std::string(text.substr(first, end - first));
  }
  return std::nullopt;
}

// What to check for the codes that come without a provider message; empty for the others.
std::string Advice(uint32_t code, const std::string& provider) {
  const std::string named = provider.empty() ? "The provider" : "The provider " + provider;
  switch (code) {
    case 0x800401F3u:  // CO_E_CLASSSTRING
    case 0x80040154u:  // REGDB_E_CLASSNOTREG
      return named +
             " is not installed or not registered on this computer: install it, or name "
             "an installed provider in the connection string.";
    case 0x80004005u:  // E_FAIL
      return named +
             " could not open the database: check that the server or data source, the "
             "database and the sign-in in the connection string are right, and that the "
             "server runs and can be reached from this computer.";
    case 0x80070005u:  // E_ACCESSDENIED
      return "Access was denied: check that this Windows user may use the database, its server "
             "and its files.";
    default:
      return {};
  }
}

}  // namespace

std::string MaskConnectionPasswords(const std::string& ConnectionString) {
  std::string out;
  out.reserve(ConnectionString.size());
  MaskText(ConnectionString, out, 0);
  return out;
}

bool NamesProvider(const std::string& ConnectionString) {
  return ProviderOf(ConnectionString).has_value();
}

std::string ConnectFailureReason(const TConnectFailure& Failure,
                                 const std::string& ConnectionString,
                                 const std::string& DefaultProvider) {
  const std::string advice =
      Failure.SystemText
          ? Advice(Failure.Code, ProviderOf(ConnectionString).value_or(DefaultProvider))
          : std::string();
  return (advice.empty() ? "" : advice + " ") + Failure.Message + "\r" +
         "Connection String: " + MaskConnectionPasswords(ConnectionString);
}

}  // namespace zmt
