// SPDX-License-Identifier: MIT
// The form table and the handler table against what the form must be; the views' tests check
// that each view shows what the tables say.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/form1.h"
#include "core/form_table.h"
#include "tab_order.h"

namespace window = zarvo::window;

namespace {

using window::Control;
using window::ControlKind;
using window::ControlRow;

std::string nameOf(Control control) {
    return control == Control::Window ? "window" : std::string(window::row(control).name);
}

// The inside of a container in twips: the window's client area, or the frame's extent.
std::pair<int, int> insideOf(Control container) {
    if (container == Control::Window) {
        return {window::kClientWidthTwips, window::kClientHeightTwips};
    }
    return {window::row(container).width, window::row(container).height};
}

TEST(FormTable, ControlsKindsAndPlaces) {
    std::map<ControlKind, int> kinds;
    std::set<std::string_view> names;
    std::set<int> tabIndices;
    for (const ControlRow &row : window::kForm) {
        ++kinds[row.kind];
        names.insert(row.name);
        tabIndices.insert(row.tabIndex);
        // Inside its container, which is the window or a frame.
        EXPECT_TRUE(row.container == Control::Window ||
                    window::row(row.container).kind == ControlKind::Frame)
            << row.name;
        // A label may run past its container's edge ("Porta:" at the window's), cut there.
        const auto [width, height] = insideOf(row.container);
        const bool fits = row.kind == ControlKind::Label ||
                          (row.left + row.width <= width && row.top + row.height <= height);
        EXPECT_TRUE(row.left >= 0 && row.top >= 0 && row.left < width && row.top < height && fits)
            << row.name << " lies outside " << nameOf(row.container);
    }
    EXPECT_EQ(window::kForm.size(), 36u);
    EXPECT_EQ(kinds, (std::map<ControlKind, int>{{ControlKind::Button, 5},
                                                 {ControlKind::TextBox, 10},
                                                 {ControlKind::Label, 14},
                                                 {ControlKind::Frame, 3},
                                                 {ControlKind::Option, 4}}));
    EXPECT_EQ(names.size(), 36u);
    EXPECT_EQ(tabIndices.size(), 36u);
    EXPECT_EQ(*tabIndices.begin(), 0);
    EXPECT_EQ(*tabIndices.rbegin(), 35);
}

TEST(FormTable, TabOrder) {
    EXPECT_EQ(tabOrder(), (std::vector<std::string>{
                              "Command1", "Text1", "Text2", "Command2", "Command3", "Text3",
                              "Command4", "COO", "CCF", "PAPEL", "Reducao", "LEITX", "Porredu",
                              "Pordata", "NaImp", "NoArq", "Ini", "Fim", "LMF"}));
}

// Every box and option button is named by one label of its own container: an option by the label
// to its right in its row, a box by the label over it or, in the range line, to its left.
TEST(FormTable, LabelsNameTheBoxesAndOptions) {
    std::map<Control, int> namedBy;
    for (const ControlRow &label : window::kForm) {
        if (label.kind != ControlKind::Label) {
            continue;
        }
        ASSERT_NE(label.names, Control::Window) << label.name << " names nothing";
        const ControlRow &named = window::row(label.names);
        ++namedBy[named.id];
        EXPECT_EQ(named.container, label.container) << label.name;
        if (named.kind == ControlKind::Option) {
            EXPECT_EQ(named.top, label.top) << label.name;
            EXPECT_LT(named.left + named.width, label.left) << label.name;
        } else {
            ASSERT_EQ(named.kind, ControlKind::TextBox) << label.name;
            const bool over = named.left == label.left && named.top > label.top;
            const bool left = named.top == label.top && named.left > label.left;
            EXPECT_TRUE(over || left) << label.name;
        }
    }
    for (const ControlRow &row : window::kForm) {
        if (row.kind == ControlKind::TextBox || row.kind == ControlKind::Option) {
            EXPECT_EQ(namedBy[row.id], 1) << row.name;
        }
    }
}

// Two option buttons in a frame, as large as their circle; the first selected and starting the
// group. Only PAPEL has its own text colour.
TEST(FormTable, OptionPairsAndColours) {
    std::map<Control, std::vector<const ControlRow *>> pairs;
    for (const ControlRow &row : window::kForm) {
        EXPECT_EQ((row.facts & window::kOwnColour) != 0, row.id == Control::PAPEL) << row.name;
        if (row.kind == ControlKind::Option) {
            pairs[row.container].push_back(&row);
            EXPECT_EQ(row.width, 255);
            EXPECT_EQ(row.height, 255);
        }
    }
    ASSERT_EQ(pairs.size(), 2u);
    for (const auto &[frame, options] : pairs) {
        ASSERT_EQ(options.size(), 2u) << nameOf(frame);
        EXPECT_EQ(options[0]->facts & (window::kSelected | window::kStartsGroup),
                  window::kSelected | window::kStartsGroup);
        EXPECT_EQ(options[1]->facts & (window::kSelected | window::kStartsGroup), 0u);
    }
    EXPECT_EQ(window::row(Control::Porredu).container, Control::Frame2);
    EXPECT_EQ(window::row(Control::NaImp).container, Control::Frame3);
}

// The eleven handlers, each on a control that raises that event; NaImp and NoArq have none.
TEST(FormTable, Handlers) {
    std::vector<std::string> names;
    for (const auto &row : window::Form1::kHandlers) {
        names.push_back(window::nameOf(row.handler));
        const ControlKind kind = window::row(row.handler.control).kind;
        if (row.handler.event == window::Event::Click) {
            EXPECT_TRUE(kind == ControlKind::Button || kind == ControlKind::Option);
        } else {
            EXPECT_EQ(kind, ControlKind::TextBox);
        }
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Command1_Click", "Command2_Click", "Command3_Click",
                                               "Command4_Click", "Fim_GotFocus", "Fim_Validate",
                                               "Ini_GotFocus", "Ini_Validate", "LMF_Click",
                                               "Pordata_Click", "Porredu_Click"}));
    EXPECT_FALSE(window::Form1::handles({Control::NaImp, window::Event::Click}));
    EXPECT_FALSE(window::Form1::handles({Control::Text3, window::Event::Validate}));
}

}  // namespace
