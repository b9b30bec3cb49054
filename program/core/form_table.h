// SPDX-License-Identifier: MIT
// Form1 as data: its controls, with everything both views build them from, and the few rules both
// views follow in drawing their texts.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace zarvo::window {

/// The form's controls, in the table's order (reading order: top to bottom, left to right), and
/// the window itself as the container of the controls outside any frame.
// clang-format off
enum class Control : std::uint8_t {
    Command1, Label1, Text2, Label2, Text1, Label4, COO, Label5, CCF, Label6, PAPEL, Label7,
    Reducao, Label8, LEITX, Command4, Frame1, Frame2, Porredu, Label9, Pordata, Label10, Frame3,
    NaImp, Label11, NoArq, Label12, Label13, Ini, Label14, Fim, LMF, Command2, Command3, Label3,
    Text3, Window
};
// clang-format on

constexpr std::uint8_t idOf(Control control) {
    return static_cast<std::uint8_t>(control);
}

/// The text boxes, by their controls.
enum class Box : std::uint8_t {
    Text1 = idOf(Control::Text1),
    Text2 = idOf(Control::Text2),
    Text3 = idOf(Control::Text3),
    COO = idOf(Control::COO),
    CCF = idOf(Control::CCF),
    PAPEL = idOf(Control::PAPEL),
    Reducao = idOf(Control::Reducao),
    LEITX = idOf(Control::LEITX),
    Ini = idOf(Control::Ini),
    Fim = idOf(Control::Fim),
};

/// The option buttons, by their controls. Two in one frame form a group.
enum class Option : std::uint8_t {
    Porredu = idOf(Control::Porredu),
    Pordata = idOf(Control::Pordata),
    NaImp = idOf(Control::NaImp),
    NoArq = idOf(Control::NoArq),
};

constexpr Control controlOf(Box box) {
    return static_cast<Control>(box);
}
constexpr Control controlOf(Option option) {
    return static_cast<Control>(option);
}

enum class ControlKind : std::uint8_t { Button, TextBox, Label, Frame, Option };

/// What a view needs to know of a control beyond its kind, place and text.
enum ControlFact : std::uint8_t {
    kSelected = 1,      ///< an option button selected when the form opens
    kStartsGroup = 2,   ///< the first option button of a group (the group is its frame's pair)
    kOwnColor = 4,      ///< its text is black rather than the system's window-text color
    kShrinksToFit = 8,  ///< a caption or text too wide for the control is drawn in a smaller font
                        ///< (down to kSmallestFontPoints) rather than cut
};

struct ControlRow {
    Control id;
    std::string_view name;  ///< the control's name in the form ("Command1", "Text3", ...)
    ControlKind kind;
    Control container;         ///< the frame that holds it, or Control::Window
    std::u16string_view text;  ///< caption or initial text
    int tabIndex;
    int left, top, width, height;  ///< twips, relative to the container's inside
    Control names;                 ///< a label: the control it names; others: Control::Window
    unsigned facts;                ///< ControlFact bits
};

constexpr bool hasFact(const ControlRow &row, ControlFact fact) {
    return (row.facts & fact) != 0;
}

constexpr int kClientWidthTwips = 5520;
constexpr int kClientHeightTwips = 6780;
constexpr std::u16string_view kFormCaption = u"ZARVO";

/// A twip is a 1440th of an inch: fifteen of them make one pixel at 96 dots per inch, the display
/// the form was drawn on and the one that a view which does not scale by itself shows it at.
constexpr int kTwipsPerInch = 1440;
constexpr int kFormDpi = 96;

/// @p twips in pixels, rounded to the nearest, on a display of @p dpi dots per inch.
constexpr int pixels(int twips, int dpi = kFormDpi) {
    return (twips * dpi + kTwipsPerInch / 2) / kTwipsPerInch;
}

/// Twenty twips make one point.
constexpr int kTwipsPerPoint = 20;

/// The form's font: 8 points (11 pixels high at 96 dots per inch).
constexpr int kFontPoints = 8;

/// The smallest font that a control with kShrinksToFit takes for a text too wide for it (8 pixels
/// high at 96 dots per inch): smaller would no longer be read at a glance.
constexpr int kSmallestFontPoints = 6;

/// What a control draws beside its text, both sides together: a button its bevel and the space
/// inside it (8 pixels at 96 dots per inch), a box its sunken edge, its inner margins and the
/// few pixels the edit control keeps beside them (12 pixels). A label draws to its edges.
constexpr int kButtonTextMarginsTwips = 120;
constexpr int kBoxTextMarginsTwips = 180;

namespace form_rows {
using C = Control;
using K = ControlKind;
constexpr C W = C::Window;
constexpr unsigned Fit = kShrinksToFit;
// clang-format off
inline constexpr auto kRows = std::to_array<ControlRow>({
    {C::Command1, "Command1", K::Button,  W,         u"Testar Impressora",          0,  120,  240, 1575,  375, W,          Fit},
    {C::Label1,   "Label1",   K::Label,   W,         u"Relógio da Impressora:",     3, 1800,    0, 3975,  375, C::Text2,   Fit},
    {C::Text2,    "Text2",    K::TextBox, W,         u"",                           2, 1800,  240, 2895,  375, W,          0},
    {C::Label2,   "Label2",   K::Label,   W,         u"Porta:",                     4, 4800,    0, 2055,  375, C::Text1,   Fit},
    {C::Text1,    "Text1",    K::TextBox, W,         u"",                           1, 4800,  240,  615,  375, W,          Fit},
    {C::Label4,   "Label4",   K::Label,   W,         u"COO",                       11,  120,  720,  975,  255, C::COO,     Fit},
    {C::COO,      "COO",      K::TextBox, W,         u"",                          10,  120,  960,  975,  285, W,          Fit},
    {C::Label5,   "Label5",   K::Label,   W,         u"CCF",                       13, 1200,  720,  975,  255, C::CCF,     Fit},
    {C::CCF,      "CCF",      K::TextBox, W,         u"",                          12, 1200,  960,  975,  285, W,          Fit},
    {C::Label6,   "Label6",   K::Label,   W,         u"Papel",                     15, 2280,  720,  975,  255, C::PAPEL,   Fit},
    {C::PAPEL,    "PAPEL",    K::TextBox, W,         u"",                          14, 2280,  960,  975,  285, W,          Fit | kOwnColor},
    {C::Label7,   "Label7",   K::Label,   W,         u"Redução",                   17, 3360,  720,  975,  255, C::Reducao, Fit},
    {C::Reducao,  "Reducao",  K::TextBox, W,         u"",                          16, 3360,  960,  975,  285, W,          Fit},
    {C::Label8,   "Label8",   K::Label,   W,         u"Primeira LX",               19, 4440,  720,  975,  255, C::LEITX,   Fit},
    {C::LEITX,    "LEITX",    K::TextBox, W,         u"",                          18, 4440,  960,  975,  285, W,          Fit},
    {C::Command4, "Command4", K::Button,  W,         u"Leitura X",                  9,  120, 1440,  855,  375, W,          Fit},
    {C::Frame1,   "Frame1",   K::Frame,   W,         u"Leitura da Memória Fiscal", 20,  120, 1920, 5295, 1935, W,          0},
    {C::Frame2,   "Frame2",   K::Frame,   C::Frame1, u"",                          21,  120,  360, 2295,  855, W,          0},
    {C::Porredu,  "Porredu",  K::Option,  C::Frame2, u"",                          23,  120,  240,  255,  255, W,          kSelected | kStartsGroup},
    {C::Label9,   "Label9",   K::Label,   C::Frame2, u"Redução",                   27,  480,  240,  975,  255, C::Porredu, Fit},
    {C::Pordata,  "Pordata",  K::Option,  C::Frame2, u"",                          24,  120,  480,  255,  255, W,          0},
    {C::Label10,  "Label10",  K::Label,   C::Frame2, u"Data",                      28,  480,  480,  855,  255, C::Pordata, Fit},
    {C::Frame3,   "Frame3",   K::Frame,   C::Frame1, u"",                          22, 2880,  360, 2295,  855, W,          0},
    {C::NaImp,    "NaImp",    K::Option,  C::Frame3, u"",                          25,  120,  240,  255,  255, W,          kSelected | kStartsGroup},
    {C::Label11,  "Label11",  K::Label,   C::Frame3, u"Impressora",                29,  480,  240, 1335,  255, C::NaImp,   Fit},
    {C::NoArq,    "NoArq",    K::Option,  C::Frame3, u"",                          26,  120,  480,  255,  255, W,          0},
    {C::Label12,  "Label12",  K::Label,   C::Frame3, u"Arquivo",                   30,  480,  480,  975,  255, C::NoArq,   Fit},
    {C::Label13,  "Label13",  K::Label,   C::Frame1, u"Início:",                   33,  120, 1320,  855,  255, C::Ini,     Fit},
    {C::Ini,      "Ini",      K::TextBox, C::Frame1, u"0001",                      31,  720, 1320, 1215,  375, W,          0},
    {C::Label14,  "Label14",  K::Label,   C::Frame1, u"Fim:",                      34, 2160, 1320,  615,  255, C::Fim,     Fit},
    {C::Fim,      "Fim",      K::TextBox, C::Frame1, u"1000",                      32, 2520, 1320, 1215,  375, W,          0},
    {C::LMF,      "LMF",      K::Button,  C::Frame1, u"Executa",                   35, 3960, 1320, 1215,  375, W,          Fit},
    {C::Command2, "Command2", K::Button,  W,         u"Entrar : Horário de Verão",  5,  360, 4800, 1935,  375, W,          Fit},
    {C::Command3, "Command3", K::Button,  W,         u"Sair : Horário de Verão",    6, 2400, 4800, 1935,  375, W,          Fit},
    {C::Label3,   "Label3",   K::Label,   W,         u"Resposta:",                  8,  360, 5520, 2055,  375, C::Text3,   Fit},
    {C::Text3,    "Text3",    K::TextBox, W,         u"",                           7,  360, 5760, 3975,  375, W,          0},
});
// clang-format on

constexpr bool rowsInControlOrder() {
    for (std::size_t i = 0; i < kRows.size(); ++i) {
        if (idOf(kRows[i].id) != i) {
            return false;
        }
    }
    return true;
}
static_assert(kRows.size() == idOf(Control::Window), "a row for each control");
static_assert(rowsInControlOrder(), "each row stands at its Control's value");
}  // namespace form_rows

/// The form's controls in reading order; rowOf(c) is kForm[idOf(c)].
inline constexpr const auto &kForm = form_rows::kRows;

/// The row of @p control (not Control::Window).
constexpr const ControlRow &rowOf(Control control) {
    return kForm[idOf(control)];
}

/// The width that a caption or text may take in the control of @p row, in twips: a wider one is
/// drawn in a smaller font where the row has kShrinksToFit.
constexpr int textRoomTwips(const ControlRow &row) {
    switch (row.kind) {
        case ControlKind::Button:
            return row.width - kButtonTextMarginsTwips;
        case ControlKind::TextBox:
            return row.width - kBoxTextMarginsTwips;
        default:
            return row.width;
    }
}

/// Whether the control takes the focus (buttons, boxes, option buttons); labels and frames hold
/// a tab index but never the focus.
constexpr bool takesFocus(const ControlRow &row) {
    return row.kind == ControlKind::Button || row.kind == ControlKind::TextBox ||
           row.kind == ControlKind::Option;
}

/// The controls that take the focus, by tab index: the order the Tab key follows from Command1.
inline constexpr auto kTabOrder = [] {
    constexpr auto count = static_cast<std::size_t>(std::count_if(
        kForm.begin(), kForm.end(), [](const ControlRow &r) { return takesFocus(r); }));
    std::array<Control, count> order{};
    std::size_t next = 0;
    for (const ControlRow &r : kForm) {
        if (takesFocus(r)) {
            order[next++] = r.id;
        }
    }
    std::sort(order.begin(), order.end(),
              [](Control a, Control b) { return rowOf(a).tabIndex < rowOf(b).tabIndex; });
    return order;
}();

}  // namespace zarvo::window
