#include "modConnectionText.h"

#include <algorithm>
#include <map>
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

// What becomes of each secret value that the reading of a connection string comes to.
class TSecretWriter {
 public:
  // Path names the secret by the keys above it and its own, so that it can be found again in
  // another version of the text; Original is its value as it stands, doubled closing characters
  // undone where it lies inside an enclosed value.
  virtual void Write(const std::string& Path, std::string_view Original, std::string& Out) = 0;

 protected:
  ~TSecretWriter() = default;
};

// The text inside a closed value with its doubled closing characters undone.
std::string Undoubled(std::string_view inner, char close) {
  std::string plain;
  plain.reserve(inner.size());
  for (std::string_view::size_type i = 0; i < inner.size(); ++i) {
    plain += inner[i];
    if (inner[i] == close) ++i;
  }
  return plain;
}

void AppendDoubled(std::string_view plain, char open, std::string& out) {
  const char close = CloserOf(open);
  out += open;
  for (char c : plain) {
    out += c;
    if (c == close) out += c;
  }
  out += close;
}

void MaskText(std::string_view text, std::string& out, int depth, const std::string& path,
              TSecretWriter& writer);

// A value that may itself be a connection string. Too deep to follow, it is a secret whole when
// it could hold a key, or when it is the mask that stands for one.
void MaskNested(std::string_view value, std::string& out, int depth, const std::string& path,
                TSecretWriter& writer) {
  if (depth < kMaxDepth) {
    MaskText(value, out, depth + 1, path, writer);
  } else if (value.find('=') != npos || value == kMask) {
    writer.Write(path + '\x1d', value, out);
  } else {
    out += value;
  }
}

// The inside of a closed value: its doubled closing characters undone, masked as a connection
// string of its own, and written back enclosed as before.
void AppendEnclosed(std::string_view inner, char open, char close, std::string& out, int depth,
                    const std::string& path, TSecretWriter& writer) {
  std::string masked;
  MaskNested(Undoubled(inner, close), masked, depth, path, writer);
  AppendDoubled(masked, open, out);
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

std::string KeyOf(std::string_view text, const TPiece& piece) {
  return KeyName(text.substr(piece.Start, piece.Equals - piece.Start));
}

void MaskText(std::string_view text, std::string& out, int depth, const std::string& parent,
              TSecretWriter& writer) {
  for (const TPiece& piece : SecretsStretched(text)) {
    if (piece.Equals == npos) {
      // A piece without a key: kept as it is.
      out.append(text, piece.Start, piece.End - piece.Start);
    } else {
      const std::string_view::size_type first = piece.First;
      const std::string_view::size_type end = piece.End;
      const std::string path = parent + KeyOf(text, piece) + '\x1f';
      out.append(text, piece.Start, first - piece.Start);
      if (piece.Secret) {
        writer.Write(path, text.substr(first, end - first), out);
      } else if (first == end) {
        // An empty value stays empty.
      } else if (piece.Closed != npos) {
        const std::string_view::size_type closed = piece.Closed;
        AppendEnclosed(text.substr(first + 1, closed - first - 1), text[first], piece.Close, out,
                       depth, path, writer);
        // No provider takes text between a closing quote and the ";": it is hidden, since it
        // may be a password whose opening quote closed an unfinished value before it.
        const std::string_view rest = AfterClose(text, piece);
        if (IsAllBlank(rest)) {
          out += rest;
        } else {
          writer.Write(path + '\x1e', rest, out);
        }
      } else if (piece.Close) {
        out += text[first];
        MaskNested(text.substr(first + 1, end - first - 1), out, depth, path, writer);
      } else {
        MaskNested(text.substr(first, end - first), out, depth, path, writer);
      }
    }
    if (piece.End < text.size()) out += ';';
  }
}

// Shows every secret as the mask; an empty one stays empty.
class TMasker : public TSecretWriter {
 public:
  void Write(const std::string&, std::string_view Original, std::string& Out) override {
    if (!Original.empty()) Out += kMask;
  }
};

// Keeps every secret as it stands and remembers it, in the order of each path.
class TSecretCollector : public TSecretWriter {
 public:
  void Write(const std::string& Path, std::string_view Original, std::string& Out) override {
    secrets_[Path].emplace_back(Original);
    Out += Original;
  }
  const std::map<std::string, std::vector<std::string>>& Secrets() const { return secrets_; }

 private:
  std::map<std::string, std::vector<std::string>> secrets_;
};

// Puts back, for each mask standing as a secret, the secret that stood at the same path and in
// the same place among that path's secrets; every other value stays as it stands.
class TSecretRestorer : public TSecretWriter {
 public:
  explicit TSecretRestorer(const std::map<std::string, std::vector<std::string>>& secrets)
      : secrets_(secrets) {}
  void Write(const std::string& Path, std::string_view Original, std::string& Out) override {
    const std::size_t index = seen_[Path]++;
    std::string_view trimmed = Original;
    while (!trimmed.empty() && IsBlank(trimmed.back())) trimmed.remove_suffix(1);
    const auto found = secrets_.find(Path);
    if (trimmed == kMask && found != secrets_.end() && index < found->second.size()) {
      Out += found->second[index];
    } else {
      Out += Original;
    }
  }

 private:
  const std::map<std::string, std::vector<std::string>>& secrets_;
  std::map<std::string, std::size_t> seen_;
};

// The first top-level piece with the key Name (lower case), read as the masking reads it.
std::optional<TPiece> FindKey(std::string_view text, std::string_view name) {
  for (const TPiece& piece : SecretsStretched(text)) {
    if (piece.Equals != npos && KeyOf(text, piece) == name) return piece;
  }
  return std::nullopt;
}

// What opened a piece's value when it is enclosed whole, with nothing but blanks after its
// close; 0 for a value that stands as it is.
char EnclosedBy(std::string_view text, const TPiece& piece) {
  if (piece.Closed == npos || !IsAllBlank(AfterClose(text, piece))) return 0;
  return text[piece.First];
}

// A value as a provider takes it: without the blanks around it, its quotes or braces and their
// doubling.
std::string ValueOf(std::string_view text, const TPiece& piece) {
  if (const char open = EnclosedBy(text, piece)) {
    return Undoubled(text.substr(piece.First + 1, piece.Closed - piece.First - 1), CloserOf(open));
  }
  std::string_view::size_type end = piece.End;
  while (end > piece.First && IsBlank(text[end - 1])) --end;
  return std::string(text.substr(piece.First, end - piece.First));
}

std::optional<std::string> ValueOfKey(std::string_view text, std::string_view name) {
  const std::optional<TPiece> piece = FindKey(text, LowerCase(name));
  if (!piece) return std::nullopt;
  return ValueOf(text, *piece);
}

// A value as it is written after its "=": enclosed by Open when that is given (the value it
// replaces was), else quoted only where a reader would take it otherwise.
std::string Written(const std::string& value, char open) {
  if (!open && !value.empty() &&
      (value.find(';') != npos || IsBlank(value.front()) || IsBlank(value.back()) ||
       CloserOf(value.front()) != 0)) {
    open = value.find('"') != npos && value.find('\'') == npos ? '\'' : '"';
  }
  if (!open) return value;
  std::string out;
  AppendDoubled(value, open, out);
  return out;
}

// Text with the value of its first Name key replaced; a key it lacks is added at its end, unless
// the value is empty.
std::string WithValue(const std::string& text, std::string_view name, const std::string& value) {
  const std::optional<TPiece> piece = FindKey(text, LowerCase(name));
  if (piece) {
    return text.substr(0, piece->First) + Written(value, EnclosedBy(text, *piece)) +
           text.substr(piece->End);
  }
  if (value.empty()) return text;
  const std::string added = std::string(name) + "=" + Written(value, 0);
  if (text.empty() || text.back() == ';') return text + added + ";";
  return text + ";" + added;
}

// Text without any top-level Name key.
std::string WithoutKey(const std::string& text, std::string_view name) {
  std::string out;
  const std::string key = LowerCase(name);
  for (const TPiece& piece : SecretsStretched(text)) {
    if (piece.Equals != npos && KeyOf(text, piece) == key) continue;
    out.append(text, piece.Start, std::min(piece.End + 1, text.size()) - piece.Start);
  }
  return out;
}

constexpr char kExtended[] = "Extended Properties";

// Where a field's key stands: at the top level, or inside Extended Properties, where the ODBC
// strings carry the driver's own keys.
struct TKeyPlace {
  const char* Key;
  bool Extended;
};

std::optional<std::string> ValueAt(const std::string& text, const TKeyPlace& place) {
  if (!place.Extended) return ValueOfKey(text, place.Key);
  const std::optional<std::string> extended = ValueOfKey(text, kExtended);
  if (!extended) return std::nullopt;
  return ValueOfKey(*extended, place.Key);
}

std::string WithValueAt(const std::string& text, const TKeyPlace& place, const std::string& value) {
  if (!place.Extended) return WithValue(text, place.Key, value);
  return WithValue(text, kExtended,
                   WithValue(ValueOfKey(text, kExtended).value_or(""), place.Key, value));
}

// The places a field is read from, in order; the first that holds its key is the one it is
// written to.
std::vector<TKeyPlace> PlacesOf(TConnectionField field) {
  switch (field) {
    case TConnectionField::Server:
      return {{"Data Source", false}};
    case TConnectionField::Database:
      return {{"Initial Catalog", false}};
    case TConnectionField::UserName:
      return {{"User ID", false}};
    case TConnectionField::Password:
      return {{"Password", false}};
    case TConnectionField::DataSourceName:
      // The ODBC provider takes its Data Source for the data source name.
      return {{"DSN", false}, {"DSN", true}, {"Data Source", false}};
    case TConnectionField::Driver:
      return {{"Driver", false}, {"Driver", true}};
    case TConnectionField::FileOrFolder:
      return {{"DBQ", false}, {"DBQ", true}, {"SourceDB", false}, {"SourceDB", true}};
  }
  return {};
}

std::optional<TKeyPlace> PlaceHolding(const std::string& text, TConnectionField field) {
  for (const TKeyPlace& place : PlacesOf(field)) {
    if (ValueAt(text, place)) return place;
  }
  return std::nullopt;
}

// Where a field that the text lacks is added: next to the driver, under the key its kind of
// driver reads (a FoxPro driver a folder of free tables, the others a database file).
TKeyPlace NewPlaceOf(const std::string& text, TConnectionField field) {
  if (field == TConnectionField::FileOrFolder) {
    const std::optional<TKeyPlace> driver = PlaceHolding(text, TConnectionField::Driver);
    const bool extended = driver && driver->Extended;
    const std::string name =
        LowerCase(driver ? ValueAt(text, *driver).value_or("") : std::string());
    return {name.find("foxpro") != npos ? "SourceDB" : "DBQ", extended};
  }
  return PlacesOf(field).back();
}

constexpr char kIntegratedSecurity[] = "Integrated Security";

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
  TMasker masker;
  MaskText(ConnectionString, out, 0, std::string(), masker);
  return out;
}

std::string RestoreMaskedPasswords(const std::string& Shown, const std::string& Real) {
  TSecretCollector collector;
  std::string unused;
  MaskText(Real, unused, 0, std::string(), collector);
  TSecretRestorer restorer(collector.Secrets());
  std::string out;
  out.reserve(Shown.size());
  MaskText(Shown, out, 0, std::string(), restorer);
  return out;
}

bool NamesProvider(const std::string& ConnectionString) {
  return ValueOfKey(ConnectionString, "Provider").has_value();
}

TProviderChoice ProviderChoiceOf(const std::string& ConnectionString) {
  const std::string provider = UpperCase(ValueOfKey(ConnectionString, "Provider").value_or(""));
  if (provider.rfind("SQLOLEDB", 0) == 0) return TProviderChoice::SqlServer;
  if (provider.rfind("MSDASQL", 0) == 0) return TProviderChoice::Odbc;
  return TProviderChoice::Other;
}

std::string WithProviderChoice(const std::string& ConnectionString, TProviderChoice Choice) {
  const char* provider = Choice == TProviderChoice::SqlServer ? kSqlServerProvider
                         : Choice == TProviderChoice::Odbc    ? kOdbcProvider
                                                              : nullptr;
  if (provider == nullptr) return ConnectionString;
  // A new Provider key goes first, where every string the module builds has it.
  if (!NamesProvider(ConnectionString))
    return "Provider=" + std::string(provider) + ";" + ConnectionString;
  return WithValue(ConnectionString, "Provider", provider);
}

std::string ConnectionField(const std::string& ConnectionString, TConnectionField Field) {
  const std::optional<TKeyPlace> place = PlaceHolding(ConnectionString, Field);
  return place ? ValueAt(ConnectionString, *place).value_or("") : std::string();
}

std::string WithConnectionField(const std::string& ConnectionString, TConnectionField Field,
                                const std::string& Value) {
  const TKeyPlace place =
      PlaceHolding(ConnectionString, Field).value_or(NewPlaceOf(ConnectionString, Field));
  return WithValueAt(ConnectionString, place, Value);
}

bool UsesWindowsSignIn(const std::string& ConnectionString) {
  const std::string value =
      LowerCase(ValueOfKey(ConnectionString, kIntegratedSecurity).value_or(""));
  return value == "sspi" || value == "true" || value == "yes";
}

std::string WithWindowsSignIn(const std::string& ConnectionString, bool On) {
  return On ? WithValue(ConnectionString, kIntegratedSecurity, "SSPI")
            : WithoutKey(ConnectionString, kIntegratedSecurity);
}

std::string ConnectFailureReason(const TConnectFailure& Failure,
                                 const std::string& ConnectionString,
                                 const std::string& DefaultProvider) {
  const std::string advice =
      Failure.SystemText
          ? Advice(Failure.Code, ValueOfKey(ConnectionString, "Provider").value_or(DefaultProvider))
          : std::string();
  return (advice.empty() ? "" : advice + " ") + Failure.Message + "\r" +
         "Connection String: " + MaskConnectionPasswords(ConnectionString);
}

}  // namespace zmt
