#include <gtest/gtest.h>

#include "clsFormSettings.h"

namespace zmt {
namespace {

const TFont kTahoma8{"Tahoma", 8, clBlack, {}};
const TFont kArial10Bold{"Arial", 10, clBlack, {fsBold}};

void ExpectLabelValues(const TFormSettings& s, const TFont& font, int32_t styleSize) {
  EXPECT_EQ(s.LabelAlignment, taLeftJustify);
  EXPECT_EQ(s.LabelColor, clBtnFace);
  EXPECT_EQ(s.LabelFont, font);
  EXPECT_EQ(s.StyleSize, styleSize);
}

void ExpectStandardButtons(const TFormSettings& s) {
  EXPECT_EQ(s.ButtonColor, clBtnFace);
  EXPECT_EQ(s.ButtonFont, kTahoma8);
  EXPECT_EQ(s.ButtonWidth, 64);
  EXPECT_EQ(s.ButtonHeight, 24);
  EXPECT_EQ(s.FormFont, (TFont{"MS Sans Serif", 8, clWindowText, {}}));
}

void ExpectLargeButtons(const TFormSettings& s) {
  EXPECT_EQ(s.ButtonColor, clNavy);
  EXPECT_EQ(s.ButtonFont, (TFont{"Tahoma", 10, clInfoBk, {fsBold}}));
  EXPECT_EQ(s.ButtonWidth, 75);
  EXPECT_EQ(s.ButtonHeight, 40);
  EXPECT_EQ(s.FormFont, (TFont{"Arial", 10, clWindowText, {fsBold}}));
}

TEST(FormSettings, ConstructorAppliesStyleZeroWithTheStandardLook) {
  TFormSettings s;
  EXPECT_EQ(s.Style, 0);
  EXPECT_TRUE(s.StandardLook);
  EXPECT_EQ(s.ButtonSpacing, 19);
  ExpectLabelValues(s, kTahoma8, 45);
  ExpectStandardButtons(s);
}

TEST(FormSettings, StylesSetTheLabelValues) {
  struct Row {
    uint8_t style;
    TFont font;
    int32_t styleSize;
  };
  for (bool standard : {true, false}) {
    for (const Row& row : {Row{0, kTahoma8, 45}, Row{1, kArial10Bold, 45}, Row{2, kTahoma8, 40},
                           Row{7, kArial10Bold, 45}, Row{255, kArial10Bold, 45}}) {
      SCOPED_TRACE(testing::Message() << "style " << int(row.style) << " standard " << standard);
      TFormSettings s;
      s.StandardLook = standard;
      s.SetStyle(row.style);
      EXPECT_EQ(s.Style, row.style);
      ExpectLabelValues(s, row.font, row.styleSize);
      if (standard) {
        ExpectStandardButtons(s);
      } else {
        ExpectLargeButtons(s);
      }
      EXPECT_EQ(s.ButtonSpacing, 19);
    }
  }
}

TEST(FormSettings, StyleZeroAfterTwoChangesOnlyTheStyleSize) {
  TFormSettings s;
  s.SetStyle(2);
  s.SetStyle(0);
  EXPECT_EQ(s.Style, 0);
  ExpectLabelValues(s, kTahoma8, 45);
  ExpectStandardButtons(s);
}

TEST(FormSettings, ModuleLoadCreatesStyleTwoAndUnloadFreesIt) {
  ASSERT_EQ(FormSettings, nullptr);
  EXPECT_THROW(RequireFormSettings(), EInvalidOperation);

  ASSERT_TRUE(InitializeFormSettings());
  ASSERT_NE(FormSettings, nullptr);
  const TFormSettings& s = *FormSettings;
  EXPECT_EQ(s.Style, 2);
  EXPECT_TRUE(s.StandardLook);
  EXPECT_EQ(s.ButtonSpacing, 19);
  ExpectLabelValues(s, kTahoma8, 40);
  ExpectStandardButtons(s);
  EXPECT_EQ(&RequireFormSettings(), &s);

  // A second load step keeps the instance.
  EXPECT_TRUE(InitializeFormSettings());
  EXPECT_EQ(FormSettings.get(), &s);

  FinalizeFormSettings();
  EXPECT_EQ(FormSettings, nullptr);
  FinalizeFormSettings();
  EXPECT_EQ(FormSettings, nullptr);
}

TEST(FormSettings, ScopeFreesOnlyWhatItCreated) {
  ASSERT_EQ(FormSettings, nullptr);
  {
    TFormSettingsScope outer;
    TFormSettings* created = FormSettings.get();
    ASSERT_NE(created, nullptr);
    {
      TFormSettingsScope inner;
      EXPECT_EQ(FormSettings.get(), created);
    }
    EXPECT_EQ(FormSettings.get(), created);
  }
  EXPECT_EQ(FormSettings, nullptr);
}

}  // namespace
}  // namespace zmt
