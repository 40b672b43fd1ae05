// A text measurer with fixed widths, so that layout figures can be worked out by hand.
#pragma once

#include <string>

#include "modDialogLayout.h"

namespace zmt::test {

class FakeMeasurer : public ITextMeasurer {
 public:
  // Every character is CharWidth wide except the carriage return and the line feed.
  int32_t CharWidth = 10;
  int32_t CarriageReturnWidth = 3;
  int32_t LineFeedWidth = 4;
  int32_t Height = 13;
  // What WrappedHeight reports; 0 means the wrapped text fits in whatever the layout gives.
  int32_t Wrapped = 0;
  mutable std::string LastWrappedText;
  mutable int32_t LastWrappedWidth = 0;

  int32_t TextWidth(const std::string& Text) const override {
    int32_t width = 0;
    for (char c : Text) {
      width += c == '\r' ? CarriageReturnWidth : c == '\n' ? LineFeedWidth : CharWidth;
    }
    return width;
  }
  int32_t LineHeight() const override { return Height; }
  int32_t WrappedHeight(const std::string& Text, int32_t Width) const override {
    LastWrappedText = Text;
    LastWrappedWidth = Width;
    return Wrapped;
  }
};

}  // namespace zmt::test
