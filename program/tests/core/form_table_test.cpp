// SPDX-License-Identifier: MIT
// What every view relies on in the form table and the handler table; the views' tests check that
// each view shows what the tables say.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/form1.h"
#include "core/form_table.h"

namespace window = zarvo::window;

namespace {

using window::Control;
using window::ControlKind;
using window::ControlRow;

// Each control inside its container (the window's client area, or a frame); names and tab indices
// (from 0, one for each control) each once; every box and option button named by one label of its
// own container: an option by the label to its right in its row, a box by the label over it or, in
// the range line, to its left; two option buttons in each frame that has any, the first selected
// and starting the group.
TEST(FormTable, ControlsPlacesLabelsAndOptionPairs) {
    std::set<std::string_view> names;
    std::set<int> tabIndices;
    std::map<Control, int> namedBy;
    std::map<Control, std::vector<unsigned>> optionFacts;
    for (const ControlRow &row : window::kForm) {
        names.insert(row.name);
        tabIndices.insert(row.tabIndex);
        const bool inWindow = row.container == Control::Window;
        ASSERT_TRUE(inWindow || window::rowOf(row.container).kind == ControlKind::Frame)
            << row.name;
        const int width = inWindow ? window::kClientWidthTwips : window::rowOf(row.container).width;
        const int height =
            inWindow ? window::kClientHeightTwips : window::rowOf(row.container).height;
        // A label may run past its container's edge ("Porta:" at the window's), cut there.
        const bool fits = row.kind == ControlKind::Label ||
                          (row.left + row.width <= width && row.top + row.height <= height);
        EXPECT_TRUE(row.left >= 0 && row.top >= 0 && row.left < width && row.top < height && fits)
            << row.name << " lies outside its container";
        if (row.kind == ControlKind::Option) {
            optionFacts[row.container].push_back(row.facts &
                                                 (window::kSelected | window::kStartsGroup));
        }
        if (row.kind != ControlKind::Label) {
            continue;
        }
        ASSERT_NE(row.names, Control::Window) << row.name << " names nothing";
        const ControlRow &named = window::rowOf(row.names);
        ++namedBy[named.id];
        EXPECT_EQ(named.container, row.container) << row.name;
        if (named.kind == ControlKind::Option) {
            EXPECT_EQ(named.top, row.top) << row.name;
            EXPECT_LT(named.left + named.width, row.left) << row.name;
        } else {
            ASSERT_EQ(named.kind, ControlKind::TextBox) << row.name;
            const bool over = named.left == row.left && named.top > row.top;
            const bool left = named.top == row.top && named.left > row.left;
            EXPECT_TRUE(over || left) << row.name;
        }
    }
    EXPECT_EQ(names.size(), window::kForm.size());
    EXPECT_EQ(tabIndices.size(), window::kForm.size());
    EXPECT_EQ(*tabIndices.begin(), 0);
    EXPECT_EQ(*tabIndices.rbegin(), int(window::kForm.size()) - 1);
    for (const ControlRow &row : window::kForm) {
        if (row.kind == ControlKind::TextBox || row.kind == ControlKind::Option) {
            EXPECT_EQ(namedBy[row.id], 1) << row.name;
        }
    }
    const unsigned first = window::kSelected | window::kStartsGroup;
    EXPECT_EQ(optionFacts, (std::map<Control, std::vector<unsigned>>{
                               {Control::Frame2, {first, 0}}, {Control::Frame3, {first, 0}}}));
}

// Each handler once, on a control that raises its event; NaImp and NoArq have none.
TEST(FormTable, Handlers) {
    std::set<std::string> names;
    for (const auto &row : window::Form1::kHandlers) {
        EXPECT_TRUE(names.insert(window::nameOf(row.handler)).second)
            << window::nameOf(row.handler);
        const ControlKind kind = window::rowOf(row.handler.control).kind;
        if (row.handler.event == window::Event::Click) {
            EXPECT_TRUE(kind == ControlKind::Button || kind == ControlKind::Option);
        } else {
            EXPECT_EQ(kind, ControlKind::TextBox);
        }
    }
    EXPECT_FALSE(window::Form1::handles({Control::NaImp, window::Event::Click}));
    EXPECT_FALSE(window::Form1::handles({Control::Text3, window::Event::Validate}));
}

}  // namespace
