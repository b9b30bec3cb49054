// SPDX-License-Identifier: MIT
// What the window's test cases share: files of the scratch directory, read-only cases as root,
// the handlers a window started, and the fixture of a fresh window against the link library double.
#pragma once

#include <sys/stat.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include <memory>

#include "core/module1.h"
#include "fake_library.h"
#include "file_modes_bind.h"
#include "qt/form1.h"
#include "scratch_directory.h"

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

/// The names of the handlers that @p spy, on Form1::handlerStarted, saw start, in order.
inline QStringList handlerNames(const QSignalSpy &spy) {
    QStringList names;
    for (const QList<QVariant> &args : spy) {
        names << args.at(0).toString();
    }
    return names;
}

/// Makes a read-only file or directory bind the test, as root too (see FileModesBind); skips the
/// current test function, saying why, where the system cannot make the case.
#define BIND_FILE_MODES(name)                                      \
    FileModesBind name;                                            \
    if (!name.failure().empty()) {                                 \
        QSKIP(qPrintable(QString::fromStdString(name.failure()))); \
    }

/// The base of a window test case: each test function gets a fresh window in a fresh scratch
/// directory (openWindow from init, closeWindow from cleanup), against the double of the link
/// library when initTestCase called useDouble.
class WindowTest : public QObject {
  protected:
    enum class Shown { hidden, exposed, active };

    /// Points the window at the double, loaded once for the whole test case.
    void useDouble() {
        core::Module1::setLibraryFile(FAKE_ZARVO_PATH);
        fake_ = std::make_unique<FakeLibrary>();
    }

    /// Forgets the double's script and calls, then opens the window in a new scratch directory.
    void openWindow(Shown shown) {
        closeWindow();  // what a cleanup that stopped early left
        if (fake_ != nullptr) {
            fake_->reset();
        }
        scratch_ = std::make_unique<support::ScratchDirectory>();
        form_ = std::make_unique<Form1>();
        if (shown == Shown::exposed) {
            form_->show();
            QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
        } else if (shown == Shown::active) {
            form_->show();
            QVERIFY(QTest::qWaitForWindowActive(form_.get()));
        }
    }

    void closeWindow() {
        form_.reset();
        if (scratch_ != nullptr) {
            // Let the scratch directory go even where a test made it read-only.
            chmod(scratch_->path().c_str(), 0700);
            scratch_.reset();
        }
    }

    template <typename T = QWidget>
    T *child(const char *name) const {
        return form_->findChild<T *>(QLatin1String(name));
    }
    QLineEdit *box(const char *name) const { return child<QLineEdit>(name); }

    std::unique_ptr<FakeLibrary> fake_;
    std::unique_ptr<support::ScratchDirectory> scratch_;
    std::unique_ptr<Form1> form_;
};
