// SPDX-License-Identifier: MIT
// Runs a blocking library call off the UI thread while the window keeps repainting.
#pragma once

#include <cstdint>
#include <functional>

namespace zarvo::window::qt {

/// Runs @p call to its end and returns its result. On the UI thread of a running application the
/// call runs on the worker thread while the UI thread waits in a local event loop: the windows
/// keep repainting and take close requests, but every mouse, key, wheel and touch event is
/// dropped, and the cursor shows busy. Anywhere else the call runs directly.
std::int32_t runBlockingCall(const std::function<std::int32_t()> &call);

}  // namespace zarvo::window::qt
