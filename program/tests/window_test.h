// SPDX-License-Identifier: MIT
// What the window's Qt tests share: the fixture of a fresh window, against the link library double
// or the real library.
#pragma once

#include <sys/stat.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTest>

#include <memory>
#include <string>

#include "core/module1.h"
#include "core/serial_layer.h"
#include "fake_library.h"
#include "qt/form_window.h"
#include "scratch_directory.h"

namespace window = zarvo::window;
using zarvo::window::qt::FormWindow;

/// The base of a window test case: each test function gets a fresh, active window in a fresh
/// scratch directory (openWindow from init, closeWindow from cleanup), against the double of the
/// link library when initTestCase called useDouble.
class WindowTest : public QObject {
  protected:
    // The serial devices of the machine running the tests are none of their business: the window
    // lists through the tests' build of the serial layer, which sees only a recorded tree that a
    // test names, so no offer follows a failed printer test unless a test asks for one.
    WindowTest() { window::SerialLayer::setLibraryFile(API232_RECORDED_PATH); }

    /// Points the window at the double, loaded once for the whole test case.
    void useDouble() {
        window::Module1::setLibraryFile(FAKE_ZARVO_PATH);
        fake_ = std::make_unique<FakeLibrary>();
    }

    /// Forgets the double's script and calls, then opens the window in a new scratch directory.
    void openWindow() {
        closeWindow();  // what a cleanup that stopped early left
        if (fake_ != nullptr) {
            fake_->reset();
        }
        scratch_ = std::make_unique<zarvo::testing::ScratchDirectory>();
        form_ = std::make_unique<FormWindow>();
        form_->show();
        QVERIFY(QTest::qWaitForWindowActive(form_.get()));
    }

    void closeWindow() {
        form_.reset();
        if (scratch_ != nullptr) {
            // Let the scratch directory go even where a test made it read-only.
            chmod(scratch_->path().c_str(), 0700);
            scratch_.reset();
        }
    }

    /// The window's logic and state.
    window::Form1 &logic() const { return form_->logic(); }

    template <typename T = QWidget>
    T *child(const char *name) const {
        return form_->findChild<T *>(QLatin1String(name));
    }
    QLineEdit *box(const char *name) const { return child<QLineEdit>(name); }
    /// As the operator clicks: at the middle of the control, through the window as the system
    /// delivers a click (a click sent to the widget itself would move the focus in any case).
    void click(const char *name) const {
        QWidget *control = child(name);
        QTest::mouseClick(form_->windowHandle(), Qt::LeftButton, {},
                          control->mapTo(form_.get(), control->rect().center()));
    }
    /// As the operator types: click into the box, select all, type.
    void type(const char *name, const QString &text) const {
        click(name);
        QTest::keyClick(box(name), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(box(name), text);
    }

    std::unique_ptr<FakeLibrary> fake_;
    std::unique_ptr<zarvo::testing::ScratchDirectory> scratch_;
    std::unique_ptr<FormWindow> form_;
};
