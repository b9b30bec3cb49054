// SPDX-License-Identifier: MIT
// The form's controls that take the focus, by tab index: the order each view's test expects the
// Tab key to follow.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "core/form_table.h"

inline std::vector<std::string> tabOrder() {
    std::vector<const zarvo::window::ControlRow *> rows;
    for (const zarvo::window::ControlRow &row : zarvo::window::kForm) {
        if (zarvo::window::takesFocus(row)) {
            rows.push_back(&row);
        }
    }
    std::sort(rows.begin(), rows.end(),
              [](const auto *a, const auto *b) { return a->tabIndex < b->tabIndex; });
    std::vector<std::string> names;
    for (const zarvo::window::ControlRow *row : rows) {
        names.emplace_back(row->name);
    }
    return names;
}
