// SPDX-License-Identifier: MIT
// The one thread that runs the window's blocking library calls, for the program's life.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdint>
#include <exception>
#include <functional>

namespace zarvo::window::win32 {

/// Runs one call at a time on a thread made at the first call and kept until the window ends:
/// a thread for each of a reading's many exchanges would cost more than the line leaves between
/// them.
class Worker {
  public:
    Worker() = default;
    ~Worker();
    Worker(const Worker &) = delete;
    Worker &operator=(const Worker &) = delete;

    /// Starts @p call on the thread, which must be idle; false when no thread or event could be
    /// made, and then nothing runs.
    bool start(const std::function<std::int32_t()> &call);

    /// Signalled when the call started last has ended.
    HANDLE done() const { return done_; }

    /// The ended call's result; its exception, if it threw one, comes out of here.
    std::int32_t result();

  private:
    static DWORD WINAPI serve(LPVOID self);

    HANDLE thread_ = nullptr;
    HANDLE wake_ = nullptr;
    HANDLE done_ = nullptr;
    const std::function<std::int32_t()> *call_ = nullptr;  // null: end the thread
    std::int32_t result_ = 0;
    std::exception_ptr failure_;
};

}  // namespace zarvo::window::win32
