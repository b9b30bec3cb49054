// SPDX-License-Identifier: MIT
// The worker thread: woken by one event for each call, it tells the end by another.
#include "worker.h"

#include <utility>

namespace zarvo::window::win32 {

Worker::~Worker() {
    if (thread_ != nullptr) {
        call_ = nullptr;
        SetEvent(wake_);
        // The thread is idle here (every call is waited for); the bound only keeps a wedged
        // library from holding the program's end.
        WaitForSingleObject(thread_, 5000);
        CloseHandle(thread_);
    }
    for (HANDLE event : {wake_, done_}) {
        if (event != nullptr) {
            CloseHandle(event);
        }
    }
}

bool Worker::start(const std::function<std::int32_t()> &call) {
    if (thread_ == nullptr) {
        wake_ = wake_ != nullptr ? wake_ : CreateEventW(nullptr, FALSE, FALSE, nullptr);
        done_ = done_ != nullptr ? done_ : CreateEventW(nullptr, FALSE, FALSE, nullptr);
        if (wake_ == nullptr || done_ == nullptr) {
            return false;
        }
        thread_ = CreateThread(nullptr, 0, &Worker::serve, this, 0, nullptr);
        if (thread_ == nullptr) {
            return false;
        }
    }
    call_ = &call;
    failure_ = nullptr;
    return SetEvent(wake_) != 0;
}

std::int32_t Worker::result() {
    if (failure_) {
        std::rethrow_exception(std::exchange(failure_, nullptr));
    }
    return result_;
}

DWORD WINAPI Worker::serve(LPVOID self) {
    auto *worker = static_cast<Worker *>(self);
    // The events order every access: the UI thread sets the call before wake_, and reads the
    // result after done_.
    while (WaitForSingleObject(worker->wake_, INFINITE) == WAIT_OBJECT_0 &&
           worker->call_ != nullptr) {
        try {
            worker->result_ = (*worker->call_)();
        } catch (...) {
            worker->failure_ = std::current_exception();
        }
        SetEvent(worker->done_);
    }
    return 0;
}

}  // namespace zarvo::window::win32
