// SPDX-License-Identifier: MIT
// The view at the DPI of the monitor each of its windows is on. Zarvo.exe declares itself aware of
// each monitor's DPI (its manifest), so Windows neither stretches its windows nor scales their
// sizes: every size given in twips, points or pixels at 96 dots per inch is scaled here.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <map>
#include <string>

namespace zarvo::window::win32 {

/// The DPI of the monitor that @p window is on: GetDpiForWindow where Windows has it (Windows 10
/// from 1607), else the screen's LOGPIXELSX, the one DPI of an older Windows.
int dpiOf(HWND window);

/// @p pixels at 96 dots per inch, at @p dpi.
int scaled(int pixels, int dpi);

/// Sizes @p window so that its inside is @p width by @p height pixels, whatever its frame takes at
/// its DPI; @p flags go to SetWindowPos beside SWP_NOMOVE and SWP_NOZORDER.
void setClientSize(HWND window, int width, int height, UINT flags = 0);

/// The fonts of one window at its DPI: the form's font (the system's dialog face, kFontPoints
/// high) and the smaller ones that a text too wide for its control takes, each made once. All are
/// deleted with the set, or when its DPI changes.
class Fonts {
  public:
    explicit Fonts(int dpi = 96) : dpi_(dpi) {}
    ~Fonts();
    Fonts(const Fonts &) = delete;
    Fonts &operator=(const Fonts &) = delete;

    int dpi() const { return dpi_; }

    /// Makes the fonts anew for @p dpi; the handles given out before are deleted.
    void setDpi(int dpi);

    /// The form's font at this DPI.
    HFONT regular();

    /// The form's font, or the largest smaller one (down to kSmallestFontPoints) in which @p text,
    /// measured on @p control, fits @p width pixels.
    HFONT toFit(HWND control, const std::wstring &text, int width);

  private:
    HFONT ofHeight(LONG height);
    void clear();

    int dpi_;
    std::map<LONG, HFONT> byHeight_;  // by the font's character height in pixels
};

}  // namespace zarvo::window::win32
