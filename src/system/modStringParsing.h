// A list of 8-bit text lines with key=value look-up, and cutting a text into such a list.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "SysUtils.h"

namespace zmt {

// A line index outside the list.
ZMT_DECLARE_EXCEPTION(EStringListError, Exception);

class TStringList {
 public:
  TStringList() = default;
  TStringList(const TStringList&) = delete;
  TStringList& operator=(const TStringList&) = delete;
  virtual ~TStringList() = default;

  // Called after every change made outside an update bracket, and once when the outermost
  // bracket ends.
  std::function<void()> OnChange;

  // Appends a line and gives its index.
  virtual int Add(const std::string& S);
  virtual void Clear();

  // Brackets a series of changes as one: OnChange is held back until the outermost EndUpdate.
  // Brackets nest; an EndUpdate without a matching BeginUpdate is ignored.
  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const noexcept { return updateCount_; }

  int Count() const noexcept { return static_cast<int>(lines_.size()); }
  // Raises EStringListError for an index outside 0 .. Count() - 1.
  const std::string& operator[](int Index) const;
  const std::string& Strings(int Index) const { return (*this)[Index]; }

  // Index of the first line whose text before its first "=" equals Name, ignoring the case of
  // the ASCII letters; -1 when there is none. A line without "=" has no name.
  int IndexOfName(const std::string& Name) const;
  // Everything after the first "=" of the line that IndexOfName finds; empty text when none.
  std::string Values(const std::string& Name) const;

 private:
  void Changed();

  std::vector<std::string> lines_;
  int updateCount_ = 0;
};

// Replaces the content of List by the pieces of Text cut at every occurrence of Delimiter,
// searched from left to right without overlap: N occurrences give N + 1 lines, empty pieces
// included, and the lines joined with Delimiter give Text again. An empty Text leaves List as it
// was. The changes form one update bracket of List, which is closed also when adding a line
// fails. An empty Delimiter raises EArgumentError and leaves List as it was.
void SplitString(TStringList& List, const std::string& Text, const std::string& Delimiter);

}  // namespace zmt
