// SPDX-License-Identifier: MIT
// The form's controls that take the focus, by tab index: the order each view's test expects the
// Tab key to follow.
#pragma once

#include <string>
#include <vector>

#include "core/form_table.h"

inline std::vector<std::string> tabOrder() {
    std::vector<std::string> names;
    for (const zarvo::window::Control control : zarvo::window::kTabOrder) {
        names.emplace_back(zarvo::window::rowOf(control).name);
    }
    return names;
}
