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

/// While one lives on the UI thread, the blocking calls made meanwhile share one busy spell: the
/// busy cursor and the dropping of input begin at the first call and end with the last scope,
/// rather than coming and going around each call of a handler that makes many (a fiscal memory
/// reading makes one for each block). Scopes nest.
class BusySpell {
  public:
    BusySpell();
    ~BusySpell();
    BusySpell(const BusySpell &) = delete;
    BusySpell &operator=(const BusySpell &) = delete;
};

}  // namespace zarvo::window::qt
