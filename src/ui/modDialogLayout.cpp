#include "modDialogLayout.h"

#include <algorithm>
#include <limits>

namespace zmt {

const char* const DialogTypeCaptions[kDialogTypeCount] = {"Warning", "Error", "Information",
                                                          "Confirm", ""};
// IDI_EXCLAMATION, IDI_HAND, IDI_ASTERISK, IDI_QUESTION, none.
const uint16_t DialogTypeIcons[kDialogTypeCount] = {32515, 32513, 32516, 32514, 0};
const char* const ButtonNames[kDialogButtonCount] = {
    "Yes", "No", "OK", "Cancel", "Abort", "Retry", "Ignore", "All", "NoToAll", "YesToAll", "Help"};
const char* const ButtonCaptions[kDialogButtonCount] = {"&Yes",    "&No",      "OK",      "Cancel",
                                                        "Abort",   "&Retry",   "&Ignore", "&All",
                                                        "NoToAll", "YesToAll", "&Help"};
const TModalResult ModalResults[kDialogButtonCount] = {
    mrYes, mrNo, mrOk, mrCancel, mrAbort, mrRetry, mrIgnore, mrAll, mrNoToAll, mrYesToAll, mrNone};

namespace {

constexpr int32_t kButtonGap = 19;
constexpr int32_t kIconSize = 32;
constexpr TDialogButtons kKnownButtons = 0x07FF;

int32_t Saturate(int64_t value) {
  if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(value);
}

int CountButtons(TDialogButtons Buttons) {
  int count = 0;
  for (int n = 0; n < kDialogButtonCount; ++n) {
    if (HasButton(Buttons, static_cast<TDialogButton>(n))) ++count;
  }
  return count;
}

bool IsLineEnd(char c) {
  return c == '\r' || c == '\n';
}

// A line may be broken before a word that follows a blank.
bool WordStartsAt(std::string_view line, size_t k) {
  return k >= 1 && k < line.size() && line[k - 1] == ' ' && line[k] != ' ';
}

struct TLineBreak {
  size_t Length;  // what the line shows
  size_t Used;    // what it takes of the text: a blank right after the break is dropped
};

// Rest does not fit whole; Fit of its leading characters do.
TLineBreak BreakLine(std::string_view Rest, size_t Fit, TAlignment Alignment) {
  size_t word = Fit;
  while (word > 0 && !WordStartsAt(Rest, word)) --word;
  if (word == 0) {
    const size_t length = std::max<size_t>(Fit, 1);
    return {length, length};
  }
  const size_t length = Alignment == taLeftJustify ? word : word - 1;
  return {length, Rest[length] == ' ' ? length + 1 : length};
}

// Measures a window of Rest a little longer than the last line that was broken off, and more
// only when all of it fits, so that the work for a line stays in proportion to the line however
// long the rest is. Measuring, or even scanning, the whole rest for every line broken off it
// makes the work grow with the square of a long line, such as a connection string quoted in an
// error.
class TLineFitter {
 public:
  TLineFitter(const ITextMeasurer& Font, int32_t Width) : font_(Font), width_(Width) {}

  size_t Fit(std::string_view Rest) {
    for (;;) {
      const std::string_view piece = Rest.substr(0, window_);
      const size_t fit = font_.FitCount(piece, width_);
      if (fit < piece.size() || piece.size() == Rest.size()) {
        window_ = 2 * fit + kSlack;
        return fit;
      }
      window_ *= 2;
    }
  }

 private:
  static constexpr size_t kSlack = 16;
  const ITextMeasurer& font_;
  const int32_t width_;
  size_t window_ = kSlack;
};

// The lines the label draws of Text (as LabelDisplayText gives it). Every carriage return or line
// feed (with the other one right after it) ends a line; at the end of the text it starts none.
std::vector<std::string> LabelLines(const std::string& Text, const ITextMeasurer& Font,
                                    bool WordWrap, int32_t Width, TAlignment Alignment) {
  std::vector<std::string> lines;
  TLineFitter fitter(Font, Width);
  size_t start = 0;
  while (start < Text.size()) {
    size_t end = start;
    while (end < Text.size() && !IsLineEnd(Text[end])) ++end;
    std::string_view rest(Text.data() + start, end - start);
    for (;;) {
      const size_t fit = WordWrap ? fitter.Fit(rest) : rest.size();
      if (fit >= rest.size()) {
        lines.emplace_back(rest);
        break;
      }
      const TLineBreak cut = BreakLine(rest, fit, Alignment);
      lines.emplace_back(rest.substr(0, cut.Length));
      rest.remove_prefix(cut.Used);
      // A break that takes the last character of the text ends it; one before a line end still
      // leaves that line, empty, to come.
      if (rest.empty() && end == Text.size()) break;
    }
    start = end;
    if (start < Text.size()) {
      ++start;
      if (start < Text.size() && IsLineEnd(Text[start]) && Text[start] != Text[end]) ++start;
    }
  }
  return lines;
}

}  // namespace

TDialogType CheckDialogType(TDialogType DlgType) {
  const int value = static_cast<int>(DlgType);
  if (value < 0 || value >= kDialogTypeCount) {
    throw EArgumentError("Dialog type " + std::to_string(value) +
                         " is not one of dtWarning (0) to dtCustom (4)");
  }
  return DlgType;
}

std::vector<std::string> SplitLines(const std::string& Text) {
  std::vector<std::string> pieces;
  std::string::size_type start = 0;
  while (start < Text.size()) {
    const auto cr = Text.find('\r', start);
    if (cr == std::string::npos) {
      pieces.push_back(Text.substr(start));
      break;
    }
    pieces.push_back(Text.substr(start, cr - start + 1));
    start = cr + 1;
  }
  return pieces;
}

int32_t CountLineBreaks(const std::string& Text) {
  return Saturate(std::count(Text.begin(), Text.end(), '\r'));
}

int32_t MaxLineWidth(const std::string& Text, const ITextMeasurer& Font) {
  int32_t widest = 0;
  for (const std::string& piece : SplitLines(Text))
    widest = std::max(widest, Font.TextWidth(piece));
  return widest;
}

TLabelLayout LayoutMessageLabel(const std::string& Msg, const ITextMeasurer& LabelFont,
                                TScreenSize Screen, TAlignment Alignment) {
  const int32_t half = Screen.Width / 2;
  if (half <= 0) {
    throw EArgumentError("Screen width " + std::to_string(Screen.Width) +
                         " leaves no room for a message");
  }
  TLabelLayout label;
  label.MaxLineWidth = MaxLineWidth(Msg, LabelFont);
  label.LineHeight = LabelFont.LineHeight();
  label.LineBreaks = CountLineBreaks(Msg);

  int64_t height = 0;
  if (label.MaxLineWidth > half) {
    label.WordWrap = true;
    label.Width = half;
    height = static_cast<int64_t>(label.MaxLineWidth / half) * label.LineHeight;
  } else {
    label.Width = label.MaxLineWidth;
  }
  height += (static_cast<int64_t>(label.LineBreaks) + 1) * label.LineHeight;
  label.Lines = LabelLines(LabelDisplayText(Msg), LabelFont, label.WordWrap, half, Alignment);
  if (label.WordWrap) {
    // The count above only allows for the widest line and for breaks at exact multiples of the
    // width; several long lines, or words that do not fill a line, need more.
    height = std::max<int64_t>(height, static_cast<int64_t>(label.Lines.size()) * label.LineHeight);
  }
  label.Height = Saturate(height);
  return label;
}

TDialogButton DefaultButtonIndex(TDialogButtons Buttons) {
  if (HasButton(Buttons, btOK)) return btOK;
  if (HasButton(Buttons, btYes)) return btYes;
  return btRetry;
}

TDialogButton CancelButtonIndex(TDialogButtons Buttons) {
  if (HasButton(Buttons, btCancel)) return btCancel;
  if (HasButton(Buttons, btNo)) return btNo;
  return btOK;
}

bool HasDefaultButton(TDialogButtons Buttons) {
  return HasButton(Buttons, DefaultButtonIndex(Buttons));
}

bool HasCancelButton(TDialogButtons Buttons) {
  return HasButton(Buttons, CancelButtonIndex(Buttons));
}

const TButtonLayout* TFormLayout::FindButton(const std::string& name) const {
  for (const TButtonLayout& button : Buttons) {
    if (button.Name == name) return &button;
  }
  return nullptr;
}

TFormLayout LayoutTimedMessageForm(TDialogType DlgType, TDialogButtons Buttons, bool LogButton,
                                   const std::string& ApplicationTitle,
                                   const TFormSettings& Settings, const TLabelLayout& Label,
                                   TScreenSize Screen, TFrameSize Frame) {
  const int type = CheckDialogType(DlgType);
  Buttons = static_cast<TDialogButtons>(Buttons & kKnownButtons);

  TFormLayout form;
  // A message of millions of lines saturates the label's height; the sums built on it saturate
  // too, so that an oversized dialog is clipped by the screen instead of wrapping round.
  const int64_t count = CountButtons(Buttons) + (LogButton ? 1 : 0);
  form.GroupWidth =
      count > 0 ? Saturate(count * Settings.ButtonWidth + (count - 1) * kButtonGap) : 0;

  form.Caption = DlgType == dtCustom ? ApplicationTitle : DialogTypeCaptions[type];
  form.IconId = DialogTypeIcons[type];
  if (form.IconId != 0) {
    form.IconSize = kIconSize;
    form.Image = {8, 8, kIconSize, kIconSize};
  }
  form.Label = Label;

  form.ClientWidth =
      Saturate(std::max<int64_t>(int64_t{form.IconSize} + Label.Width + 10, form.GroupWidth) + 16);
  form.ClientHeight =
      Saturate(std::max(form.IconSize, Label.Height) + int64_t{Settings.ButtonHeight} + 26);
  form.Width = Saturate(int64_t{form.ClientWidth} + Frame.Width);
  form.Height = Saturate(int64_t{form.ClientHeight} + Frame.Height);
  form.Left = Saturate(int64_t{Screen.Width} / 2 - form.Width / 2);
  form.Top = Saturate(int64_t{Screen.Height} / 2 - form.Height / 2);
  form.LabelBounds = {form.IconSize + 18, 8, Label.Width, Label.Height};

  // Centred on the outer width, as the form's own left edge is.
  int64_t x = (int64_t{form.Width} - form.GroupWidth) / 2;
  const int32_t top = Saturate(int64_t{form.ClientHeight} - 8 - Settings.ButtonHeight);
  const TDialogButton defaultIndex = DefaultButtonIndex(Buttons);
  const TDialogButton cancelIndex = CancelButtonIndex(Buttons);
  for (int n = 0; n < kDialogButtonCount; ++n) {
    const auto button = static_cast<TDialogButton>(n);
    if (!HasButton(Buttons, button)) continue;
    TButtonLayout b;
    b.Index = n;
    b.Name = ButtonNames[n];
    b.Caption = ButtonCaptions[n];
    b.ModalResult = ModalResults[n];
    b.Default = button == defaultIndex;
    b.Cancel = button == cancelIndex;
    b.Bounds = {Saturate(x), top, Settings.ButtonWidth, Settings.ButtonHeight};
    form.Buttons.push_back(b);
    x += int64_t{Settings.ButtonWidth} + kButtonGap;
  }
  if (LogButton) {
    TButtonLayout b;
    b.Index = kDialogButtonCount;
    b.Name = kLogButtonName;
    b.Caption = kLogButtonCaption;
    b.ModalResult = kLogButtonResult;
    b.Bounds = {Saturate(x), top, Settings.ButtonWidth, Settings.ButtonHeight};
    form.Buttons.push_back(b);
  }
  return form;
}

std::string CountdownCaption(const std::string& ButtonCaption, int32_t Seconds) {
  return ButtonCaption + " (" + std::to_string(Seconds) + ")";
}

TCountdownTick CountdownTick(int32_t Seconds) {
  TCountdownTick tick;
  tick.Seconds = Seconds > 0 ? Seconds - 1 : Seconds;
  tick.Expired = tick.Seconds == 0;
  return tick;
}

std::string ExceptionReportText(const std::string& Msg, const std::string& Reason,
                                const std::string& Origin) {
  return Msg + "\r" + "Reason: " + Reason + "\r\r" + "Raised In: " + Origin;
}

std::string LabelDisplayText(const std::string& Msg) {
  std::string text;
  text.reserve(Msg.size() + Msg.size() / 8);
  for (std::string::size_type i = 0; i < Msg.size(); ++i) {
    const char c = Msg[i];
    if (c == '\r') {
      text += "\r\n";
      if (i + 1 < Msg.size() && Msg[i + 1] == '\n') ++i;
    } else if (c == '\n') {
      text += ' ';
    } else {
      text += c;
    }
  }
  return text;
}

std::string ApplicationTitleFromPath(const std::string& ModulePath) {
  const auto slash = ModulePath.find_last_of("\\/:");
  std::string name = slash == std::string::npos ? ModulePath : ModulePath.substr(slash + 1);
  const auto dot = name.rfind('.');
  if (dot != std::string::npos) name.erase(dot);
  return name;
}

}  // namespace zmt
