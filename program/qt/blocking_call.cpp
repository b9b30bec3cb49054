// SPDX-License-Identifier: MIT
// The worker thread, the local event loop and the filter that drops user input meanwhile.
#include "blocking_call.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QPointer>
#include <QThread>

#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>

#include "core/view.h"

namespace zarvo::window::qt {

namespace {

bool isUserInput(QEvent::Type type) {
    switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::NonClientAreaMouseButtonPress:
        case QEvent::NonClientAreaMouseButtonRelease:
        case QEvent::NonClientAreaMouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Shortcut:
        case QEvent::ShortcutOverride:
        case QEvent::InputMethod:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TouchCancel:
        case QEvent::TabletPress:
        case QEvent::TabletRelease:
        case QEvent::TabletMove:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
            return true;
        default:
            return false;
    }
}

// Dropping (not deferring) input keeps a click made during an exchange from running a second
// handler after it, which would send a command the operator no longer expects.
class InputDropper : public QObject {
  public:
    bool eventFilter(QObject *, QEvent *event) override { return isUserInput(event->type()); }
};

// The busy cursor and the input filter, shared by the calls made within the BusySpells alive.
struct Busy {
    int spells = 0;
    QPointer<InputDropper> dropper;

    void begin(QApplication *app) {
        if (dropper) {
            return;
        }
        dropper = new InputDropper;
        dropper->setParent(app);
        app->installEventFilter(dropper);
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    void end() {
        if (!dropper) {
            return;
        }
        QApplication::restoreOverrideCursor();
        delete dropper;  // which takes the filter off the application
    }
};
Busy busy;

// One thread for every call of the program's life: starting a thread for each of a reading's
// many exchanges costs more than the line leaves between them. A plain std::thread, joined as
// the application ends: Qt starts its own threads detached, and a QThread's wait() returns
// before the thread has let go of its QThreadData, which would be left behind at exit.
class Worker {
  public:
    static Worker &instance() {
        if (worker_ == nullptr) {
            worker_ = new Worker;
            qAddPostRoutine([] {
                delete worker_;
                worker_ = nullptr;
            });
        }
        return *worker_;
    }

    std::int32_t run(const std::function<std::int32_t()> &call) {
        QEventLoop loop;
        std::unique_lock lock(mutex_);
        if (job_) {
            // The core makes no call inside another (a handler raised meanwhile waits its turn);
            // one made anyway from the waiting loop runs where it is.
            lock.unlock();
            return call();
        }
        job_ = Job{&call, &loop};
        lock.unlock();
        wake_.notify_one();
        loop.exec();
        // The loop also ends when the application quits; the call still runs to its end.
        lock.lock();
        done_.wait(lock, [this] { return !job_; });
        if (failure_) {
            std::rethrow_exception(std::exchange(failure_, nullptr));
        }
        return result_;
    }

  private:
    struct Job {
        const std::function<std::int32_t()> *call;
        QEventLoop *loop;
    };

    Worker() : thread_([this] { serve(); }) {}
    ~Worker() {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_one();
        thread_.join();
    }

    void serve() {
        std::unique_lock lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return stopping_ || job_; });
            if (!job_) {
                return;
            }
            const Job job = *job_;
            lock.unlock();
            std::int32_t result = 0;
            std::exception_ptr failure;
            try {
                result = (*job.call)();
            } catch (...) {
                failure = std::current_exception();
            }
            QMetaObject::invokeMethod(job.loop, &QEventLoop::quit, Qt::QueuedConnection);
            lock.lock();
            result_ = result;
            failure_ = failure;
            job_.reset();
            done_.notify_one();
        }
    }

    static inline Worker *worker_ = nullptr;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    std::optional<Job> job_;
    std::int32_t result_ = 0;
    std::exception_ptr failure_;
    bool stopping_ = false;
    std::thread thread_;  // last: it starts once the rest is made
};

}  // namespace

std::int32_t runBlockingCall(const std::function<std::int32_t()> &call) {
    auto *app = qobject_cast<QApplication *>(QCoreApplication::instance());
    if (app == nullptr || QThread::currentThread() != app->thread()) {
        return call();
    }
    busy.begin(app);
    struct EndUnlessInSpell {
        ~EndUnlessInSpell() {
            if (busy.spells == 0) {
                busy.end();
            }
        }
    } ending;
    return Worker::instance().run(call);
}

}  // namespace zarvo::window::qt

namespace zarvo::window {

BusySpell::BusySpell() {
    ++qt::busy.spells;
}

BusySpell::~BusySpell() {
    if (--qt::busy.spells == 0) {
        qt::busy.end();
    }
}

}  // namespace zarvo::window
