// What the module's dialogs share at the Windows boundary: the module that owns their window
// classes, the component names that let automation find their controls, the application's title,
// colours, fonts and text measurement.
#pragma once

#include "modDialogLayout.h"

#ifdef _WIN32

#include <windows.h>

#include <string>
#include <string_view>

#include "WinHandles.h"

namespace zmt {

// The window property that carries a control's component name as a global atom.
constexpr char kComponentNameProperty[] = "ZmtComponentName";

// The module that holds this code: the plug-in DLL, or the executable that links it.
HINSTANCE ModuleInstance();

// The component name as a global atom in the window property kComponentNameProperty; a window
// whose atom cannot be made keeps only its control ID.
void SetComponentName(HWND hwnd, const std::string& name);
void ReleaseComponentName(HWND hwnd);
// The names of a window and of all its child windows, released before the window is destroyed.
void ReleaseComponentNames(HWND window);

// The file name, without extension, of the process's executable (the host's, when the module is
// loaded as a plug-in).
std::string ApplicationTitle();
// A window's text, however long.
std::string WindowText(HWND hwnd);

TScreenSize PrimaryScreenSize();
COLORREF ColorToRGB(TColor color);
// A GDI font of the given face, points (at the screen's pixels per inch) and style.
UniqueFont CreateFontHandle(const TFont& font);

// Measures in a GDI font on a memory DC compatible with the screen.
class TGdiTextMeasurer : public ITextMeasurer {
 public:
  explicit TGdiTextMeasurer(HFONT font);

  int32_t TextWidth(const std::string& Text) const override;
  int32_t LineHeight() const override;
  size_t FitCount(std::string_view Text, int32_t Width) const override;

 private:
  UniqueMemoryDc dc_;
  ScopedSelectObject font_;
};

}  // namespace zmt

#endif  // _WIN32
