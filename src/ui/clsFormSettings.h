// The fonts, colours and sizes that the module's dialogs share, and the one instance of them that
// lives from the module's load to its unload.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>

#include "SysUtils.h"

namespace zmt {

// 0x00BBGGRR for an RGB colour, 0x80000000 + n for the desktop's system colour n.
using TColor = uint32_t;

constexpr TColor clBlack = 0x00000000;
constexpr TColor clNavy = 0x00800000;
constexpr TColor clBtnFace = 0x8000000F;
constexpr TColor clWindowText = 0x80000008;
constexpr TColor clInfoBk = 0x80000018;

constexpr TColor kSystemColorFlag = 0x80000000;

constexpr bool IsSystemColor(TColor color) {
  return (color & kSystemColorFlag) != 0;
}
// The system colour number of a system colour (only the low byte counts, as on the desktop).
constexpr int SystemColorIndex(TColor color) {
  return static_cast<int>(color & 0xFF);
}

enum TAlignment : uint8_t { taLeftJustify = 0, taRightJustify = 1, taCenter = 2 };

enum TFontStyle : uint8_t { fsBold = 0, fsItalic = 1, fsUnderline = 2, fsStrikeOut = 3 };

class TFontStyles {
 public:
  constexpr TFontStyles() = default;
  constexpr TFontStyles(std::initializer_list<TFontStyle> styles) {
    for (TFontStyle style : styles) bits_ |= Bit(style);
  }
  constexpr bool Contains(TFontStyle style) const { return (bits_ & Bit(style)) != 0; }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr bool operator==(const TFontStyles& other) const { return bits_ == other.bits_; }
  constexpr bool operator!=(const TFontStyles& other) const { return bits_ != other.bits_; }

 private:
  static constexpr uint8_t Bit(TFontStyle style) { return static_cast<uint8_t>(1u << style); }
  uint8_t bits_ = 0;
};

// A font as plain data; the Windows layer turns it into a GDI font at the screen's pixels per
// inch. A new font has the user-interface library's defaults: "MS Sans Serif", 8 points, no style,
// in clWindowText.
struct TFont {
  std::string Name = "MS Sans Serif";
  int32_t Size = 8;  // points
  TColor Color = clWindowText;
  TFontStyles Style;

  bool operator==(const TFont& other) const {
    return Name == other.Name && Size == other.Size && Color == other.Color && Style == other.Style;
  }
  bool operator!=(const TFont& other) const { return !(*this == other); }
};

class TFormSettings {
 public:
  // StandardLook true, style 0 applied.
  TFormSettings();
  virtual ~TFormSettings() = default;
  TFormSettings(const TFormSettings&) = delete;
  TFormSettings& operator=(const TFormSettings&) = delete;

  // Stores the style number, applies its label values and the button values that StandardLook
  // selects.
  virtual void SetStyle(uint8_t Style);

  uint8_t Style = 0;
  TColor ButtonColor = clBtnFace;
  TFont ButtonFont;
  int32_t ButtonHeight = 0;
  int32_t ButtonSpacing = 0;
  int32_t ButtonWidth = 0;
  TAlignment LabelAlignment = taLeftJustify;
  TColor LabelColor = clBtnFace;
  TFont LabelFont;
  TFont FormFont;
  int32_t StyleSize = 0;
  bool StandardLook = true;
};

// The settings every dialog of the module reads; null before InitializeFormSettings and after
// FinalizeFormSettings.
extern std::unique_ptr<TFormSettings> FormSettings;

// The module's load step: creates FormSettings (style 0 from the constructor, then style 2).
// Leaves an existing instance alone. Returns false only when memory runs out; it never throws, so
// that DllMain can call it.
bool InitializeFormSettings() noexcept;

// The module's unload step: frees FormSettings. Safe to call when it does not exist.
void FinalizeFormSettings() noexcept;

// For programs and tests that are not the module: makes FormSettings exist for one scope, as the
// module's load step would, and frees it again only if this scope created it.
class TFormSettingsScope {
 public:
  TFormSettingsScope();
  ~TFormSettingsScope();
  TFormSettingsScope(const TFormSettingsScope&) = delete;
  TFormSettingsScope& operator=(const TFormSettingsScope&) = delete;

 private:
  bool created_ = false;
};

// Raised when a dialog is asked for while FormSettings does not exist.
ZMT_DECLARE_EXCEPTION(EInvalidOperation, Exception);

// FormSettings, or EInvalidOperation with a message that says what is missing.
const TFormSettings& RequireFormSettings();

}  // namespace zmt
