// SPDX-License-Identifier: MIT
// What the window's Qt tests share: files of the scratch directory, the handlers a window started,
// and the fixture of a fresh window, against the link library double or the real library.
#pragma once

#include <sys/stat.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include <memory>
#include <string>

#include "core/module1.h"
#include "fake_library.h"
#include "qt/form_window.h"
#include "scratch_directory.h"

namespace window = zarvo::window;
using zarvo::window::qt::FormWindow;

/// Writes @p bytes as the whole of file @p name; false when that fails.
inline bool writeFile(const QString &name, const QByteArray &bytes) {
    QFile file(name);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

/// The whole of file @p name, or nothing when it cannot be read.
inline QByteArray contents(const QString &name) {
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

/// The names of the handlers that @p spy, on FormWindow::handlerStarted, saw start, in order.
inline QStringList handlerNames(const QSignalSpy &spy) {
    QStringList names;
    for (const QList<QVariant> &args : spy) {
        names << args.at(0).toString();
    }
    return names;
}

/// The base of a window test case: each test function gets a fresh, active window in a fresh
/// scratch directory (openWindow from init, closeWindow from cleanup), against the double of the
/// link library when initTestCase called useDouble.
class WindowTest : public QObject {
  protected:
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

    /// The double's calls as "Abre 1", "TXRX 1 3 .28" (the command decoded as Latin-1).
    QStringList calls() const {
        QStringList lines;
        for (const std::string &line : fake_->log()) {
            lines << QString::fromLatin1(line);
        }
        return lines;
    }

    /// The window's logic and state.
    window::Form1 &logic() const { return form_->logic(); }

    template <typename T = QWidget>
    T *child(const char *name) const {
        return form_->findChild<T *>(QLatin1String(name));
    }
    QLineEdit *box(const char *name) const { return child<QLineEdit>(name); }
    /// As the operator clicks: at the middle of the control.
    void click(const char *name) const {
        QTest::mouseClick(child(name), Qt::LeftButton, {}, child(name)->rect().center());
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
