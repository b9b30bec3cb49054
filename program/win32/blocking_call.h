// SPDX-License-Identifier: MIT
// Runs a blocking library call off the UI thread while the window keeps repainting.
#pragma once

#include <cstdint>
#include <functional>

namespace zarvo::window::win32 {

/// Runs @p call to its end and returns its result; an exception that @p call throws comes out of
/// here. The call runs on the worker thread while the UI thread waits in a message loop of its
/// own: the windows keep repainting and take close requests, but every key and mouse message is
/// dropped, and the cursor shows busy. A call made from that loop, or one for which no thread can
/// be had, runs directly.
std::int32_t runBlockingCall(const std::function<std::int32_t()> &call);

/// Whether a busy spell is on: the form then shows the busy cursor and drops a click that reached
/// one of its controls.
bool busy();

}  // namespace zarvo::window::win32
