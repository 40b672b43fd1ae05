// A text measurer with fixed widths, so that layout figures can be worked out by hand.
#pragma once

#include <string>
#include <string_view>

#include "modDialogLayout.h"

namespace zmt::test {

class FakeMeasurer : public ITextMeasurer {
 public:
  // Every character is CharWidth wide except the carriage return and the line feed.
  int32_t CharWidth = 10;
  int32_t CarriageReturnWidth = 3;
  int32_t LineFeedWidth = 4;
  int32_t Height = 13;
  // Every character handed to TextWidth and FitCount, to follow how much work a layout does.
  mutable size_t MeasuredCharacters = 0;

  int32_t TextWidth(const std::string& Text) const override {
    MeasuredCharacters += Text.size();
    int32_t width = 0;
    for (char c : Text) width += CharacterWidth(c);
    return width;
  }
  int32_t LineHeight() const override { return Height; }
  size_t FitCount(std::string_view Text, int32_t Width) const override {
    MeasuredCharacters += Text.size();
    size_t count = 0;
    for (int32_t width = 0; count < Text.size(); ++count) {
      width += CharacterWidth(Text[count]);
      if (width > Width) break;
    }
    return count;
  }

 private:
  int32_t CharacterWidth(char c) const {
    return c == '\r' ? CarriageReturnWidth : c == '\n' ? LineFeedWidth : CharWidth;
  }
};

}  // namespace zmt::test
