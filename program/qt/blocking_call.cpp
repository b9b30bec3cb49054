// SPDX-License-Identifier: MIT
// The worker thread, the local event loop and the filter that drops user input meanwhile.
#include "blocking_call.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QThread>

#include <exception>
#include <memory>

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

    std::int32_t result = 0;
    std::exception_ptr failure;
    std::unique_ptr<QThread> worker(QThread::create([&] {
        try {
            result = call();
        } catch (...) {
            failure = std::current_exception();
        }
    }));

    InputDropper dropper;
    app->installEventFilter(&dropper);
    QApplication::setOverrideCursor(Qt::WaitCursor);

    QEventLoop loop;
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit,
                     Qt::QueuedConnection);
    worker->start();
    loop.exec();
    worker->wait();

    QApplication::restoreOverrideCursor();
    app->removeEventFilter(&dropper);

    if (failure) {
        std::rethrow_exception(failure);
    }
    return result;
}
