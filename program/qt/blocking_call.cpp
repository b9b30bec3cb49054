// SPDX-License-Identifier: MIT
// The worker thread, the local event loop and the filter that drops user input meanwhile.
#include "blocking_call.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QThread>

#include <exception>
#include <thread>

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

}  // namespace

std::int32_t runBlockingCall(const std::function<std::int32_t()> &call) {
    auto *app = qobject_cast<QApplication *>(QCoreApplication::instance());
    if (app == nullptr || QThread::currentThread() != app->thread()) {
        return call();
    }

    InputDropper dropper;
    app->installEventFilter(&dropper);
    QApplication::setOverrideCursor(Qt::WaitCursor);

    // A plain thread, joined: Qt starts its own threads detached, and a QThread's wait() returns
    // before the thread has let go of its QThreadData, which the last exchange before exit would
    // then leave behind. join() returns only when the thread is wholly gone.
    std::int32_t result = 0;
    std::exception_ptr failure;
    QEventLoop loop;
    std::thread worker([&] {
        try {
            result = call();
        } catch (...) {
            failure = std::current_exception();
        }
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();

    QApplication::restoreOverrideCursor();
    app->removeEventFilter(&dropper);

    if (failure) {
        std::rethrow_exception(failure);
    }
    return result;
}
