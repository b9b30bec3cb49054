// SPDX-License-Identifier: MIT
// The operator window's 36 controls as the form draws them: kind, container, caption, tab index
// and geometry in twips.
#pragma once

#include <array>
#include <string_view>

namespace zarvo::win32 {

enum class ControlKind { Button, TextBox, Label, Frame, Option };

struct ControlRow {
    std::string_view name;  // the control's name in the form ("Command1", "Text3", ...)
    ControlKind kind;
    std::string_view container;  // the frame that holds it, empty for the window itself
    const wchar_t *caption;      // caption or initial text
    int tabIndex;
    int left, top, width, height;  // twips, relative to the container's inside
    bool selected;                 // option buttons only: selected at start
};

/// Fifteen twips make one pixel at 96 dots per inch.
constexpr int kTwipsPerPixel = 15;
constexpr int kClientWidthTwips = 5520;
constexpr int kClientHeightTwips = 6780;

/// The controls in the form's reading order, top to bottom, left to right.
extern const std::array<ControlRow, 36> kFormControls;

/// The row named @p name, or nullptr.
const ControlRow *findControl(std::string_view name);

}  // namespace zarvo::win32
