// The timed message dialog without Windows: its tables, the text helpers, the layout arithmetic
// and the countdown, as plain functions of the message, a text measurer, the screen size and the
// settings. The Windows layer (FTimerForm.h) only creates what these functions compute.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "clsFormSettings.h"

namespace zmt {

enum TDialogType : uint8_t {
  dtWarning = 0,
  dtError = 1,
  dtInformation = 2,
  dtConfirm = 3,
  dtCustom = 4,
};
constexpr int kDialogTypeCount = 5;

enum TDialogButton : uint8_t {
  btYes = 0,
  btNo = 1,
  btOK = 2,
  btCancel = 3,
  btAbort = 4,
  btRetry = 5,
  btIgnore = 6,
  btAll = 7,
  btNoToAll = 8,
  btYesToAll = 9,
  btHelp = 10,
};
constexpr int kDialogButtonCount = 11;

// Bit n stands for button n; bits 11 to 15 are ignored.
using TDialogButtons = uint16_t;

constexpr TDialogButtons ButtonBit(TDialogButton button) {
  return static_cast<TDialogButtons>(1u << button);
}
constexpr TDialogButtons ButtonSet(std::initializer_list<TDialogButton> buttons) {
  TDialogButtons set = 0;
  for (TDialogButton button : buttons) set = static_cast<TDialogButtons>(set | ButtonBit(button));
  return set;
}
constexpr bool HasButton(TDialogButtons set, TDialogButton button) {
  return (set & ButtonBit(button)) != 0;
}

using TModalResult = int32_t;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = 1;
constexpr TModalResult mrCancel = 2;
constexpr TModalResult mrAbort = 3;
constexpr TModalResult mrRetry = 4;
constexpr TModalResult mrIgnore = 5;
constexpr TModalResult mrYes = 6;
constexpr TModalResult mrNo = 7;
constexpr TModalResult mrAll = 8;
constexpr TModalResult mrNoToAll = 9;
constexpr TModalResult mrYesToAll = 10;

// The module's constant tables. dtCustom has no caption of its own (the application's title
// stands there) and no icon (0).
extern const char* const DialogTypeCaptions[kDialogTypeCount];
extern const uint16_t DialogTypeIcons[kDialogTypeCount];  // IDI_EXCLAMATION, IDI_HAND, ...
extern const char* const ButtonNames[kDialogButtonCount];
extern const char* const ButtonCaptions[kDialogButtonCount];
extern const TModalResult ModalResults[kDialogButtonCount];

// The extra button that opens the log file; it is not part of the button set.
constexpr char kLogButtonName[] = "btnLogFile";
constexpr char kLogButtonCaption[] = "View Log";
constexpr TModalResult kLogButtonResult = mrYes;

// Raises EArgumentError for a value outside dtWarning..dtCustom, so that no table is read past
// its end.
TDialogType CheckDialogType(TDialogType DlgType);

// "\r" alone separates lines. Every piece but the last keeps its carriage return; a line feed
// belongs to the piece it starts.
std::vector<std::string> SplitLines(const std::string& Text);
int32_t CountLineBreaks(const std::string& Text);

// Measures text in one font. Widths are those of the text as given, control characters included.
class ITextMeasurer {
 public:
  virtual ~ITextMeasurer() = default;
  virtual int32_t TextWidth(const std::string& Text) const = 0;
  // The height of one line of text in the font.
  virtual int32_t LineHeight() const = 0;
  // How many leading characters of Text are together no wider than Width.
  virtual size_t FitCount(std::string_view Text, int32_t Width) const = 0;
};

// The widest piece of SplitLines(Text); 0 for an empty text.
int32_t MaxLineWidth(const std::string& Text, const ITextMeasurer& Font);

struct TScreenSize {
  int32_t Width = 0;
  int32_t Height = 0;
};

// What frame and caption add to the client size to give the window's outer size.
struct TFrameSize {
  int32_t Width = 0;
  int32_t Height = 0;
};

struct TBounds {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Width = 0;
  int32_t Height = 0;
  bool operator==(const TBounds& o) const {
    return Left == o.Left && Top == o.Top && Width == o.Width && Height == o.Height;
  }
  bool operator!=(const TBounds& o) const { return !(*this == o); }
};

struct TLabelLayout {
  int32_t MaxLineWidth = 0;  // W
  int32_t LineHeight = 0;    // LH
  int32_t LineBreaks = 0;    // B
  bool WordWrap = false;     // W > half the screen width
  int32_t Width = 0;
  int32_t Height = 0;
  // What the label draws, one entry a line from the top: the lines of LabelDisplayText(Msg),
  // each broken to the label's width when WordWrap.
  std::vector<std::string> Lines;
};

// The message label's size. Without wrapping: W × (B + 1)·LH. With wrapping: half the screen
// width × ((W div Half) + B + 1)·LH, or the height the wrapped lines really need when that is
// more, so that no line of the message is cut off.
//
// Wrapping breaks a line as the system's word-breaking text drawing (DT_WORDBREAK with
// DT_EDITCONTROL) does for words separated by blanks: before the last word, among those that
// follow a blank, that starts no later than the first character that does not fit; the blanks
// before that word stay on the line (all but one of them for a centred or right-aligned label);
// a line without such a word is broken after its last character that fits, and holds at least
// one character.
TLabelLayout LayoutMessageLabel(const std::string& Msg, const ITextMeasurer& LabelFont,
                                TScreenSize Screen, TAlignment Alignment = taLeftJustify);

// The default button is btOK, else btYes, else btRetry; the cancel button btCancel, else btNo,
// else btOK. Either exists only when its button is in the set.
TDialogButton DefaultButtonIndex(TDialogButtons Buttons);
TDialogButton CancelButtonIndex(TDialogButtons Buttons);
bool HasDefaultButton(TDialogButtons Buttons);
bool HasCancelButton(TDialogButtons Buttons);

struct TButtonLayout {
  int Index = 0;  // the TDialogButton, or kDialogButtonCount for the log button
  std::string Name;
  std::string Caption;
  TModalResult ModalResult = mrNone;
  bool Default = false;
  bool Cancel = false;
  TBounds Bounds;
};

struct TFormLayout {
  std::string Caption;
  uint16_t IconId = 0;  // 0: no image
  int32_t IconSize = 0;
  TBounds Image;
  TLabelLayout Label;
  TBounds LabelBounds;
  int32_t GroupWidth = 0;
  int32_t ClientWidth = 0;
  int32_t ClientHeight = 0;
  int32_t Width = 0;  // outer size, frame and caption included
  int32_t Height = 0;
  int32_t Left = 0;
  int32_t Top = 0;
  std::vector<TButtonLayout> Buttons;  // set members in button order, then the log button

  const TButtonLayout* FindButton(const std::string& name) const;
};

// The whole dialog. ApplicationTitle is the caption for dtCustom.
TFormLayout LayoutTimedMessageForm(TDialogType DlgType, TDialogButtons Buttons, bool LogButton,
                                   const std::string& ApplicationTitle,
                                   const TFormSettings& Settings, const TLabelLayout& Label,
                                   TScreenSize Screen, TFrameSize Frame);

// The countdown button's caption: "OK (3)", "&Yes (3)".
std::string CountdownCaption(const std::string& ButtonCaption, int32_t Seconds);

// One tick of the countdown: Seconds goes down by one while positive; Expired when it is 0 after
// the tick (the form then takes its timeout result).
struct TCountdownTick {
  int32_t Seconds = 0;
  bool Expired = false;
};
TCountdownTick CountdownTick(int32_t Seconds);

// Msg, "Reason: " and the reason, an empty line, "Raised In: " and the origin.
std::string ExceptionReportText(const std::string& Msg, const std::string& Reason,
                                const std::string& Origin);

// The text as the label draws it: each carriage return breaks the line (as "\r\n" for the
// drawing call), a line feed right after it belongs to that break, and any other line feed is
// drawn as a blank instead of breaking, since the layout does not count it as a line.
std::string LabelDisplayText(const std::string& Msg);

// The application's title as the user-interface library gives it: the executable's file name
// without directory and extension.
std::string ApplicationTitleFromPath(const std::string& ModulePath);

}  // namespace zmt
