#include "modStringParsing.h"

#include <string_view>

namespace zmt {

namespace {

// Closes an update bracket on every way out of a scope.
class UpdateBracket {
 public:
  explicit UpdateBracket(TStringList& list) : list_(list) { list_.BeginUpdate(); }
  ~UpdateBracket() { list_.EndUpdate(); }
  UpdateBracket(const UpdateBracket&) = delete;
  UpdateBracket& operator=(const UpdateBracket&) = delete;

 private:
  TStringList& list_;
};

}  // namespace

int TStringList::Add(const std::string& S) {
  lines_.push_back(S);
  Changed();
  return Count() - 1;
}

void TStringList::Clear() {
  if (lines_.empty()) {
    return;
  }
  lines_.clear();
  Changed();
}

void TStringList::BeginUpdate() {
  ++updateCount_;
}

void TStringList::EndUpdate() {
  if (updateCount_ == 0) {
    return;
  }
  if (--updateCount_ == 0) {
    Changed();
  }
}

const std::string& TStringList::operator[](int Index) const {
  if (Index < 0 || Index >= Count()) {
    throw EStringListError("List index out of bounds (" + std::to_string(Index) + ")");
  }
  return lines_[static_cast<std::size_t>(Index)];
}

int TStringList::IndexOfName(const std::string& Name) const {
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const std::string& line = lines_[i];
    const std::size_t equals = line.find('=');
    if (equals != std::string::npos && SameText(std::string_view(line).substr(0, equals), Name)) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

std::string TStringList::Values(const std::string& Name) const {
  const int index = IndexOfName(Name);
  if (index < 0) {
    return std::string();
  }
  const std::string& line = lines_[static_cast<std::size_t>(index)];
  return line.substr(line.find('=') + 1);
}

void TStringList::Changed() {
  if (updateCount_ == 0 && OnChange) {
    OnChange();
  }
}

void SplitString(TStringList& List, const std::string& Text, const std::string& Delimiter) {
  if (Delimiter.empty()) {
    throw EArgumentError("SplitString: the delimiter is empty text");
  }
  if (Text.empty()) {
    return;
  }
  UpdateBracket bracket(List);
  List.Clear();
  // Occurrences are searched in Text alone: a delimiter whose beginning matches the end of Text
  // must not swallow those characters.
  std::size_t start = 0;
  for (;;) {
    const std::size_t found = Text.find(Delimiter, start);
    if (found == std::string::npos) {
      List.Add(Text.substr(start));
      break;
    }
    List.Add(Text.substr(start, found - start));
    start = found + Delimiter.size();
  }
}

}  // namespace zmt
