// SPDX-License-Identifier: MIT
// The worker thread, the message loop that waits for it and drops user input meanwhile, and the
// busy spell.
#include "blocking_call.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <exception>
#include <utility>

#include "view.h"

namespace zarvo::window::win32 {
namespace {

// One thread for every call of the program's life, made at the first call: a thread for each of
// a reading's many exchanges would cost more than the line leaves between them. It is woken by
// one event for each call and tells the end by another.
class Worker {
  public:
    static Worker &instance() {
        static Worker worker;
        return worker;
    }

    /// Starts @p call on the thread, which must be idle; false when no thread or event could be
    /// made, and then nothing runs.
    bool start(const std::function<std::int32_t()> &call) {
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

    /// Signalled when the call started last has ended.
    HANDLE done() const { return done_; }

    /// The ended call's result; its exception, if it threw one, comes out of here.
    std::int32_t result() {
        if (failure_) {
            std::rethrow_exception(std::exchange(failure_, nullptr));
        }
        return result_;
    }

    Worker(const Worker &) = delete;
    Worker &operator=(const Worker &) = delete;

  private:
    Worker() = default;
    ~Worker() {
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

    static DWORD WINAPI serve(LPVOID self) {
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

    HANDLE thread_ = nullptr;
    HANDLE wake_ = nullptr;
    HANDLE done_ = nullptr;
    const std::function<std::int32_t()> *call_ = nullptr;  // null: end the thread
    std::int32_t result_ = 0;
    std::exception_ptr failure_;
};

// The busy cursor and the dropping of input, shared by the calls made within the BusySpells alive.
struct Busy {
    int spells = 0;
    bool on = false;
    bool calling = false;  // a call runs on the worker thread
    HCURSOR before = nullptr;

    void begin() {
        if (!on) {
            on = true;
            before = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        }
    }
    void end() {
        if (on) {
            on = false;
            SetCursor(before);
        }
    }
};
Busy g_busy;

bool isUserInput(UINT message) {
    return (message >= WM_KEYFIRST && message <= WM_KEYLAST) ||
           (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST);
}

// Dispatches every message but user input until @p done is signalled. Dropping (not deferring)
// input keeps a click made during an exchange from running a second handler after it, which would
// send a command the operator no longer expects. A WM_QUIT met meanwhile is posted again for the
// program's own loop.
void waitDispatching(HANDLE done) {
    bool quit = false;
    int quitCode = 0;
    while (MsgWaitForMultipleObjectsEx(1, &done, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE) !=
           WAIT_OBJECT_0) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                quit = true;
                quitCode = static_cast<int>(message.wParam);
                continue;
            }
            if (isUserInput(message.message)) {
                continue;
            }
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    if (quit) {
        PostQuitMessage(quitCode);
    }
}

}  // namespace

std::int32_t runBlockingCall(const std::function<std::int32_t()> &call) {
    if (g_busy.calling) {
        // The core makes no call inside another (a handler raised meanwhile waits its turn); one
        // made anyway from the waiting loop runs where it is.
        return call();
    }
    Worker &worker = Worker::instance();
    if (!worker.start(call)) {
        return call();  // no thread to be had: the call blocks the window, but it runs
    }
    g_busy.begin();
    g_busy.calling = true;
    waitDispatching(worker.done());
    g_busy.calling = false;
    if (g_busy.spells == 0) {
        g_busy.end();
    }
    return worker.result();
}

bool busy() {
    return g_busy.on;
}

}  // namespace zarvo::window::win32

namespace zarvo::window {

BusySpell::BusySpell() {
    ++win32::g_busy.spells;
}

BusySpell::~BusySpell() {
    if (--win32::g_busy.spells == 0) {
        win32::g_busy.end();
    }
}

}  // namespace zarvo::window
