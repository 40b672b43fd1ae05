#include "clsFormSettings.h"

#include <new>

namespace zmt {

std::unique_ptr<TFormSettings> FormSettings;

namespace {

void SetFont(TFont& font, const char* name, int32_t size, TFontStyles style) {
  font.Name = name;
  font.Size = size;
  font.Style = style;
}

}  // namespace

TFormSettings::TFormSettings() {
  ButtonSpacing = 19;
  StandardLook = true;
  SetStyle(0);
}

void TFormSettings::SetStyle(uint8_t Style) {
  this->Style = Style;

  LabelAlignment = taLeftJustify;
  LabelColor = clBtnFace;
  LabelFont.Color = clBlack;
  switch (Style) {
    case 0:
      SetFont(LabelFont, "Tahoma", 8, {});
      StyleSize = 45;
      break;
    case 2:
      SetFont(LabelFont, "Tahoma", 8, {});
      StyleSize = 40;
      break;
    default:
      SetFont(LabelFont, "Arial", 10, {fsBold});
      StyleSize = 45;
      break;
  }

  // FormFont's colour is never set here: it keeps the new font's clWindowText.
  if (StandardLook) {
    ButtonColor = clBtnFace;
    SetFont(ButtonFont, "Tahoma", 8, {});
    ButtonFont.Color = clBlack;
    ButtonWidth = 64;
    ButtonHeight = 24;
    SetFont(FormFont, "MS Sans Serif", 8, {});
  } else {
    ButtonColor = clNavy;
    SetFont(ButtonFont, "Tahoma", 10, {fsBold});
    ButtonFont.Color = clInfoBk;
    ButtonWidth = 75;
    ButtonHeight = 40;
    SetFont(FormFont, "Arial", 10, {fsBold});
  }
}

bool InitializeFormSettings() noexcept {
  if (FormSettings) return true;
  try {
    FormSettings = std::make_unique<TFormSettings>();
    FormSettings->SetStyle(2);
    return true;
  } catch (...) {
    FormSettings.reset();
    return false;
  }
}

void FinalizeFormSettings() noexcept {
  FormSettings.reset();
}

TFormSettingsScope::TFormSettingsScope() {
  if (FormSettings) return;
  if (!InitializeFormSettings()) throw std::bad_alloc();
  created_ = true;
}

TFormSettingsScope::~TFormSettingsScope() {
  if (created_) FinalizeFormSettings();
}

const TFormSettings& RequireFormSettings() {
  if (!FormSettings) {
    throw EInvalidOperation(
        "The dialog settings (FormSettings) do not exist: they are created when the module loads "
        "and freed when it unloads, so no dialog can be shown outside that time.");
  }
  return *FormSettings;
}

}  // namespace zmt
