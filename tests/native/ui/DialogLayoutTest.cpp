#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "FakeMeasurer.h"
#include "modDialogLayout.h"

namespace zmt {
namespace {

using test::FakeMeasurer;

constexpr TScreenSize kScreen{1280, 1024};
constexpr TFrameSize kFrame{6, 25};

class DialogLayout : public ::testing::Test {
 protected:
  TFormSettingsScope settingsScope;
  const TFormSettings& settings = *FormSettings;
  FakeMeasurer font;

  TFormLayout Layout(const std::string& msg, TDialogType type, TDialogButtons buttons,
                     bool logButton = false, TScreenSize screen = kScreen,
                     TFrameSize frame = kFrame) {
    const TLabelLayout label = LayoutMessageLabel(msg, font, screen);
    return LayoutTimedMessageForm(type, buttons, logButton, "TillHost", settings, label, screen,
                                  frame);
  }
};

TEST_F(DialogLayout, OneLineWithIconAndTwoButtonsIs163Wide) {
  const TFormLayout form = Layout("0123456789", dtInformation, ButtonSet({btOK, btCancel}));

  EXPECT_EQ(form.Label.MaxLineWidth, 100);
  EXPECT_EQ(form.ClientWidth, 163);  // max(32 + 100 + 10, 2 × 64 + 19) + 16
  EXPECT_EQ(form.ClientHeight, 82);  // max(32, 13) + 24 + 26
  EXPECT_EQ(form.Width, 169);
  EXPECT_EQ(form.Height, 107);
  EXPECT_EQ(form.Left, 640 - 84);
  EXPECT_EQ(form.Top, 512 - 53);
  EXPECT_EQ(form.Caption, "Information");
  EXPECT_EQ(form.IconId, 32516);
  EXPECT_EQ(form.Image, (TBounds{8, 8, 32, 32}));
  EXPECT_EQ(form.LabelBounds, (TBounds{50, 8, 100, 13}));
  EXPECT_FALSE(form.Label.WordWrap);

  ASSERT_EQ(form.Buttons.size(), 2u);
  // The group is centred on the outer width: (169 - 147) div 2.
  EXPECT_EQ(form.Buttons[0].Name, "OK");
  EXPECT_EQ(form.Buttons[0].Bounds, (TBounds{11, 50, 64, 24}));
  EXPECT_TRUE(form.Buttons[0].Default);
  EXPECT_FALSE(form.Buttons[0].Cancel);
  EXPECT_EQ(form.Buttons[1].Name, "Cancel");
  EXPECT_EQ(form.Buttons[1].Bounds, (TBounds{11 + 64 + 19, 50, 64, 24}));
  EXPECT_FALSE(form.Buttons[1].Default);
  EXPECT_TRUE(form.Buttons[1].Cancel);
}

TEST_F(DialogLayout, OkAloneIsDefaultAndCancelAndCentredOnTheOuterWidth) {
  const TFormLayout form = Layout("Done", dtInformation, ButtonSet({btOK}));
  ASSERT_EQ(form.Buttons.size(), 1u);
  EXPECT_TRUE(form.Buttons[0].Default);
  EXPECT_TRUE(form.Buttons[0].Cancel);
  EXPECT_EQ(form.GroupWidth, 64);
  EXPECT_EQ(form.ClientWidth, 32 + 40 + 10 + 16);
  EXPECT_EQ(form.Buttons[0].Bounds.Left, (form.ClientWidth + 6 - 64) / 2);
}

TEST_F(DialogLayout, CarriageReturnsAddLinesAndAreMeasuredWithTheirLine) {
  // Four short lines; the second is the widest once its carriage return is counted.
  const std::string msg = "abc\rabcd\rab\rabcd";
  const TFormLayout form = Layout(msg, dtWarning, ButtonSet({btOK}));
  EXPECT_EQ(form.Label.LineBreaks, 3);
  EXPECT_EQ(form.Label.MaxLineWidth, 43);
  EXPECT_EQ(form.Label.Width, 43);
  EXPECT_EQ(form.Label.Height, 4 * 13);
  EXPECT_EQ(form.ClientHeight, 52 + 24 + 26);
  EXPECT_EQ(form.Buttons[0].Bounds.Top, form.ClientHeight - 8 - 24);
}

TEST_F(DialogLayout, LineWiderThanHalfTheScreenWraps) {
  // 1600 = 2.5 × 640, with two more short lines.
  const std::string msg = std::string(160, 'x') + "\rshort\rshort";
  const TLabelLayout label = LayoutMessageLabel(msg, font, kScreen);
  EXPECT_TRUE(label.WordWrap);
  EXPECT_EQ(label.MaxLineWidth, 1603);
  EXPECT_EQ(label.Width, 640);
  EXPECT_EQ(label.Height, (2 + 2 + 1) * 13);
  const std::vector<std::string> lines = {std::string(64, 'x'), std::string(64, 'x'),
                                          std::string(32, 'x'), "short", "short"};
  EXPECT_EQ(label.Lines, lines);
}

TEST_F(DialogLayout, LineOfExactlyHalfTheScreenDoesNotWrap) {
  const TLabelLayout exact = LayoutMessageLabel(std::string(64, 'x'), font, kScreen);
  EXPECT_FALSE(exact.WordWrap);
  EXPECT_EQ(exact.Width, 640);
  EXPECT_EQ(exact.Height, 13);

  font.CharWidth = 1;
  const TLabelLayout oneMore = LayoutMessageLabel(std::string(641, 'x'), font, kScreen);
  EXPECT_TRUE(oneMore.WordWrap);
  EXPECT_EQ(oneMore.Width, 640);
  EXPECT_EQ(oneMore.Height, 2 * 13);
}

TEST_F(DialogLayout, WrappedTextThatNeedsMoreLinesThanCountedIsNotCutOff) {
  // Two lines of 1.5 halves each: the count allows 3 lines, the label draws 4.
  const std::string msg = std::string(96, 'x') + "\r" + std::string(96, 'y');
  EXPECT_EQ(LayoutMessageLabel(msg, font, kScreen).Height, 4 * 13);
  // Where the count is more, it stands: twice the width counts 3 lines and fills 2.
  EXPECT_EQ(LayoutMessageLabel(std::string(128, 'x'), font, kScreen).Height, 3 * 13);
}

TEST_F(DialogLayout, WrappingBreaksAtWordsAfterBlanksAsTheSystemDoes) {
  struct Case {
    const char* msg;
    int32_t halfScreen;  // the label's width; 10 a character
    TAlignment alignment;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      // The word whose blank after it no longer fits moves down.
      {"aaa bbb ccc", 70, taLeftJustify, {"aaa ", "bbb ccc"}},
      {"aaa bb ccc", 70, taLeftJustify, {"aaa bb ", "ccc"}},
      {"aaa bb ccc", 70, taCenter, {"aaa bb", "ccc"}},
      {"abcdefghijklmnop", 70, taLeftJustify, {"abcdefg", "hijklmn", "op"}},
      {"ab cdefghijkl", 70, taLeftJustify, {"ab ", "cdefghi", "jkl"}},
      {"aaa     bbb", 70, taLeftJustify, {"aaa    ", " bbb"}},
      {"aaa bbb ccc\r\rdd\r", 70, taLeftJustify, {"aaa ", "bbb ccc", "", "dd"}},
      // Narrower than a character: one a line.
      {"abc", 5, taLeftJustify, {"a", "b", "c"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.msg);
    const TLabelLayout label =
        LayoutMessageLabel(c.msg, font, TScreenSize{2 * c.halfScreen, 768}, c.alignment);
    EXPECT_TRUE(label.WordWrap);
    EXPECT_EQ(label.Lines, c.lines);
  }
}

TEST_F(DialogLayout, ALongMessageIsMeasuredAFewTimesOverNotOnceALine) {
  for (const char* piece : {"User ID=sa;Initial Catalog=Quro;", "Persist Security Info=True; "}) {
    for (const size_t size : {size_t{64} << 10, size_t{1} << 20}) {
      SCOPED_TRACE(std::string(piece) + " " + std::to_string(size));
      std::string msg;
      while (msg.size() < size) msg += piece;
      font.MeasuredCharacters = 0;
      const TLabelLayout label = LayoutMessageLabel(msg, font, kScreen);
      EXPECT_GE(label.Lines.size(), msg.size() / 64);
      EXPECT_LE(font.MeasuredCharacters, 5 * msg.size());
    }
  }
}

TEST_F(DialogLayout, EmptyMessageLeavesTheWidthToIconAndButtons) {
  const TFormLayout form = Layout("", dtError, ButtonSet({btYes, btNo, btCancel}));
  EXPECT_EQ(form.Label.Width, 0);
  EXPECT_EQ(form.Label.Height, 13);
  EXPECT_EQ(form.GroupWidth, 3 * 64 + 2 * 19);
  EXPECT_EQ(form.ClientWidth, 3 * 64 + 2 * 19 + 16);
  EXPECT_EQ(form.ClientHeight, 32 + 24 + 26);

  EXPECT_EQ(Layout("", dtError, ButtonSet({btOK})).ClientWidth, 64 + 16);
  EXPECT_EQ(Layout("", dtError, 0).ClientWidth, 32 + 0 + 10 + 16);
}

TEST_F(DialogLayout, CustomTypeHasTheApplicationTitleAndNoImage) {
  const TFormLayout form = Layout("abc", dtCustom, ButtonSet({btOK}));
  EXPECT_EQ(form.Caption, "TillHost");
  EXPECT_EQ(form.IconId, 0);
  EXPECT_EQ(form.IconSize, 0);
  EXPECT_EQ(form.LabelBounds.Left, 18);
  EXPECT_EQ(form.LabelBounds.Top, 8);
  EXPECT_EQ(form.ClientWidth, std::max(0 + 30 + 10, 64) + 16);
  EXPECT_EQ(form.ClientHeight, 13 + 24 + 26);
}

TEST_F(DialogLayout, AllButtonsStandInOrderWithTheLogButtonLast) {
  const TFormLayout form = Layout("x", dtConfirm, 0x07FF, true);
  ASSERT_EQ(form.Buttons.size(), 12u);
  const char* names[] = {"Yes",    "No",  "OK",      "Cancel",   "Abort", "Retry",
                         "Ignore", "All", "NoToAll", "YesToAll", "Help",  "btnLogFile"};
  const char* captions[] = {"&Yes",    "&No",  "OK",      "Cancel",   "Abort", "&Retry",
                            "&Ignore", "&All", "NoToAll", "YesToAll", "&Help", "View Log"};
  const TModalResult results[] = {6, 7, 1, 2, 3, 4, 5, 8, 9, 10, 0, 6};
  EXPECT_EQ(form.GroupWidth, 12 * 64 + 11 * 19);
  const int32_t x0 = (form.Width - form.GroupWidth) / 2;
  for (size_t i = 0; i < form.Buttons.size(); ++i) {
    SCOPED_TRACE(names[i]);
    EXPECT_EQ(form.Buttons[i].Name, names[i]);
    EXPECT_EQ(form.Buttons[i].Caption, captions[i]);
    EXPECT_EQ(form.Buttons[i].ModalResult, results[i]);
    EXPECT_EQ(form.Buttons[i].Bounds.Left, x0 + static_cast<int32_t>(i) * 83);
    EXPECT_EQ(form.Buttons[i].Default, i == 2);
    EXPECT_EQ(form.Buttons[i].Cancel, i == 3);
  }
  EXPECT_EQ(form.FindButton("btnLogFile"), &form.Buttons.back());
}

TEST_F(DialogLayout, LogButtonJoinsTheGroupWithoutBeingDefaultOrCancel) {
  const TFormLayout form = Layout("abc", dtError, ButtonSet({btOK}), true);
  ASSERT_EQ(form.Buttons.size(), 2u);
  EXPECT_EQ(form.GroupWidth, 2 * 64 + 19);
  const TButtonLayout& log = form.Buttons[1];
  EXPECT_EQ(log.Name, "btnLogFile");
  EXPECT_EQ(log.ModalResult, 6);
  EXPECT_FALSE(log.Default);
  EXPECT_FALSE(log.Cancel);
  EXPECT_EQ(log.Bounds.Left, form.Buttons[0].Bounds.Left + 83);
  EXPECT_EQ(log.Bounds.Top, form.Buttons[0].Bounds.Top);
}

TEST_F(DialogLayout, BitsElevenToFifteenAreIgnored) {
  const TFormLayout form =
      Layout("abc", dtError, static_cast<TDialogButtons>(0xF800 | ButtonSet({btOK})));
  ASSERT_EQ(form.Buttons.size(), 1u);
  EXPECT_EQ(form.GroupWidth, 64);
}

TEST_F(DialogLayout, NoButtonsGiveAnEmptyGroup) {
  const TFormLayout form = Layout("0123456789", dtInformation, 0);
  EXPECT_TRUE(form.Buttons.empty());
  EXPECT_EQ(form.GroupWidth, 0);
  EXPECT_EQ(form.ClientWidth, 32 + 100 + 10 + 16);
}

TEST_F(DialogLayout, OddSizesAreHalvedByTruncation) {
  const TFormLayout form = Layout("0123456789", dtInformation, ButtonSet({btOK, btCancel}), false,
                                  TScreenSize{1025, 769}, TFrameSize{7, 26});
  EXPECT_EQ(form.Width, 170);
  EXPECT_EQ(form.Height, 108);
  EXPECT_EQ(form.Left, 512 - 85);
  EXPECT_EQ(form.Top, 384 - 54);
  EXPECT_EQ(form.Buttons[0].Bounds.Left, (170 - 147) / 2);
  // Half of 1025 is 512: a line of 513 wraps.
  font.CharWidth = 1;
  EXPECT_TRUE(LayoutMessageLabel(std::string(513, 'x'), font, TScreenSize{1025, 769}).WordWrap);
  EXPECT_FALSE(LayoutMessageLabel(std::string(512, 'x'), font, TScreenSize{1025, 769}).WordWrap);
}

TEST_F(DialogLayout, LargeButtonsOfTheOtherLookWidenTheGroup) {
  FormSettings->StandardLook = false;
  FormSettings->SetStyle(2);
  const TFormLayout form = Layout("x", dtInformation, ButtonSet({btYes, btNo}));
  EXPECT_EQ(form.GroupWidth, 2 * 75 + 19);
  EXPECT_EQ(form.ClientHeight, 32 + 40 + 26);
  EXPECT_EQ(form.Buttons[1].Bounds,
            (TBounds{form.Buttons[0].Bounds.Left + 94, form.ClientHeight - 48, 75, 40}));
}

TEST_F(DialogLayout, AnOversizedMessageSaturatesEverySumInsteadOfWrappingRound) {
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  TLabelLayout label = LayoutMessageLabel("x", font, kScreen);
  label.Width = kMax;
  label.Height = kMax;
  FormSettings->ButtonWidth = kMax;
  const TFormLayout form = LayoutTimedMessageForm(dtInformation, ButtonSet({btYes, btNo}), true, "",
                                                  settings, label, kScreen, kFrame);
  EXPECT_EQ(form.GroupWidth, kMax);
  EXPECT_EQ(form.ClientWidth, kMax);
  EXPECT_EQ(form.ClientHeight, kMax);
  EXPECT_EQ(form.Width, kMax);
  EXPECT_EQ(form.Height, kMax);
  EXPECT_EQ(form.Top, 512 - kMax / 2);
  ASSERT_EQ(form.Buttons.size(), 3u);
  EXPECT_EQ(form.Buttons[0].Bounds.Left, 0);
  EXPECT_EQ(form.Buttons[2].Bounds.Left, kMax);
  EXPECT_EQ(form.Buttons[2].Bounds.Top, kMax - 8 - settings.ButtonHeight);
}

TEST_F(DialogLayout, BadInputIsRefusedWithAClearError) {
  const TLabelLayout label = LayoutMessageLabel("x", font, kScreen);
  for (int type : {5, 7, 255}) {
    EXPECT_THROW(LayoutTimedMessageForm(static_cast<TDialogType>(type), ButtonSet({btOK}), false,
                                        "", settings, label, kScreen, kFrame),
                 EArgumentError);
  }
  try {
    CheckDialogType(static_cast<TDialogType>(9));
    FAIL() << "no error";
  } catch (const EArgumentError& error) {
    EXPECT_EQ(error.Message(), "Dialog type 9 is not one of dtWarning (0) to dtCustom (4)");
  }
  EXPECT_THROW(LayoutMessageLabel("x", font, TScreenSize{1, 1}), EArgumentError);
}

TEST(DialogButtons, DefaultAndCancelIndexRules) {
  struct Row {
    TDialogButtons set;
    TDialogButton defaultIndex;
    bool hasDefault;
    TDialogButton cancelIndex;
    bool hasCancel;
  };
  const Row rows[] = {
      {ButtonSet({btOK}), btOK, true, btOK, true},
      {ButtonSet({btOK, btCancel}), btOK, true, btCancel, true},
      {ButtonSet({btYes, btNo}), btYes, true, btNo, true},
      {ButtonSet({btYes, btNo, btCancel}), btYes, true, btCancel, true},
      {ButtonSet({btOK, btNo}), btOK, true, btNo, true},
      {ButtonSet({btAbort, btRetry, btIgnore}), btRetry, true, btOK, false},
      {ButtonSet({btCancel}), btRetry, false, btCancel, true},
      {ButtonSet({btNo}), btRetry, false, btNo, true},
      {ButtonSet({btHelp}), btRetry, false, btOK, false},
      {ButtonSet({btYes, btOK}), btOK, true, btOK, true},
      {0, btRetry, false, btOK, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.set);
    EXPECT_EQ(DefaultButtonIndex(row.set), row.defaultIndex);
    EXPECT_EQ(HasDefaultButton(row.set), row.hasDefault);
    EXPECT_EQ(CancelButtonIndex(row.set), row.cancelIndex);
    EXPECT_EQ(HasCancelButton(row.set), row.hasCancel);
  }
}

TEST(DialogText, SplitLinesKeepsCarriageReturnsAndLineFeeds) {
  using Pieces = std::vector<std::string>;
  EXPECT_EQ(SplitLines(""), Pieces{});
  EXPECT_EQ(SplitLines("one"), (Pieces{"one"}));
  EXPECT_EQ(SplitLines("one\rtwo"), (Pieces{"one\r", "two"}));
  EXPECT_EQ(SplitLines("one\r"), (Pieces{"one\r"}));
  EXPECT_EQ(SplitLines("\r\r"), (Pieces{"\r", "\r"}));
  EXPECT_EQ(SplitLines("a\r\rb"), (Pieces{"a\r", "\r", "b"}));
  // Only the carriage return separates; a line feed starts the following piece.
  EXPECT_EQ(SplitLines("one\r\ntwo"), (Pieces{"one\r", "\ntwo"}));
  EXPECT_EQ(SplitLines("one\ntwo"), (Pieces{"one\ntwo"}));
  EXPECT_EQ(SplitLines("\n"), (Pieces{"\n"}));
}

TEST(DialogText, CountLineBreaksCountsCarriageReturnsOnly) {
  EXPECT_EQ(CountLineBreaks(""), 0);
  EXPECT_EQ(CountLineBreaks("a\rb\r\rc"), 3);
  EXPECT_EQ(CountLineBreaks("a\nb\n"), 0);
  EXPECT_EQ(CountLineBreaks("a\r\nb\r\n"), 2);
}

TEST(DialogText, MaxLineWidthMeasuresEachPieceAsCut) {
  FakeMeasurer font;
  EXPECT_EQ(MaxLineWidth("", font), 0);
  EXPECT_EQ(MaxLineWidth("abc", font), 30);
  EXPECT_EQ(MaxLineWidth("abc\rabc", font), 33);
  EXPECT_EQ(MaxLineWidth("ab\r\nabc", font), 34);  // "\nabc"
  EXPECT_EQ(MaxLineWidth("a\rabcdef", font), 60);
}

TEST(DialogText, LabelDrawsCarriageReturnsAsBreaksAndNothingElse) {
  EXPECT_EQ(LabelDisplayText(""), "");
  EXPECT_EQ(LabelDisplayText("a\rb"), "a\r\nb");
  EXPECT_EQ(LabelDisplayText("a\r\rb"), "a\r\n\r\nb");
  EXPECT_EQ(LabelDisplayText("a\r\nb"), "a\r\nb");
  EXPECT_EQ(LabelDisplayText("a\nb"), "a b");
  EXPECT_EQ(LabelDisplayText("a\n\rb"), "a \r\nb");
  EXPECT_EQ(LabelDisplayText("tab\there & <there>"), "tab\there & <there>");
}

TEST(DialogText, ExceptionReportHasItsThreeParts) {
  EXPECT_EQ(ExceptionReportText("Connecting failed", "Login refused", "TdmMain.SetConnected"),
            "Connecting failed\rReason: Login refused\r\rRaised In: TdmMain.SetConnected");
  EXPECT_EQ(ExceptionReportText("M", "", ""), "M\rReason: \r\rRaised In: ");
  // A reason that ends in a carriage return adds a second empty line.
  const std::string text = ExceptionReportText("M", "R\r", "O");
  EXPECT_EQ(text, "M\rReason: R\r\r\rRaised In: O");
  EXPECT_EQ(SplitLines(text).size(), 5u);
}

TEST(DialogText, ApplicationTitleIsTheFileNameWithoutExtension) {
  EXPECT_EQ(ApplicationTitleFromPath("C:\\Program Files\\Quro\\QuroPOS.exe"), "QuroPOS");
  EXPECT_EQ(ApplicationTitleFromPath("C:\\a.dir\\host"), "host");
  EXPECT_EQ(ApplicationTitleFromPath("Z:/tmp/till.v2.exe"), "till.v2");
  EXPECT_EQ(ApplicationTitleFromPath("c:host.exe"), "host");
  EXPECT_EQ(ApplicationTitleFromPath(""), "");
}

TEST(Countdown, CountsToZeroAndExpiresThere) {
  EXPECT_EQ(CountdownCaption("OK", 3), "OK (3)");
  EXPECT_EQ(CountdownCaption("&Yes", 3), "&Yes (3)");
  EXPECT_EQ(CountdownCaption("OK", 0), "OK (0)");

  int32_t seconds = 3;
  std::vector<std::string> captions{CountdownCaption("OK", seconds)};
  int ticks = 0;
  for (;;) {
    const TCountdownTick tick = CountdownTick(seconds);
    ++ticks;
    seconds = tick.Seconds;
    captions.push_back(CountdownCaption("OK", seconds));
    if (tick.Expired) break;
    ASSERT_LT(ticks, 10);
  }
  EXPECT_EQ(ticks, 3);
  EXPECT_EQ(captions, (std::vector<std::string>{"OK (3)", "OK (2)", "OK (1)", "OK (0)"}));

  // Once at 0 it stays there, and every further tick finds it expired.
  EXPECT_EQ(CountdownTick(0).Seconds, 0);
  EXPECT_TRUE(CountdownTick(0).Expired);
  EXPECT_EQ(CountdownTick(1).Seconds, 0);
  EXPECT_FALSE(CountdownTick(2).Expired);
}

}  // namespace
}  // namespace zmt
