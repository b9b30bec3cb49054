// SPDX-License-Identifier: MIT
// What the window's Qt tests share: files of the scratch directory, read-only cases as root, the
// handlers a window started, the printer simulator, and the fixture of a fresh window against the
// link library double.
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
#include <vector>

#include "core/module1.h"
#include "fake_library.h"
#include "file_modes_bind.h"
#include "printer_simulator.h"
#include "pseudo_terminal.h"
#include "qt/blocking_call.h"
#include "qt/form_window.h"
#include "scratch_directory.h"

namespace window = zarvo::window;
using zarvo::window::qt::FormWindow;
using zarvo::window::qt::runBlockingCall;

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

/// A FileModesBind on the thread that runs the window's library calls, which keeps capabilities
/// of its own: made and undone there, through a blocking call.
class WorkerFileModesBind {
  public:
    WorkerFileModesBind() {
        runBlockingCall([this] {
            bind_ = std::make_unique<FileModesBind>();
            return 0;
        });
    }
    ~WorkerFileModesBind() {
        runBlockingCall([this] {
            bind_.reset();
            return 0;
        });
    }
    const std::string &failure() const { return bind_->failure(); }

  private:
    std::unique_ptr<FileModesBind> bind_;
};

/// Makes a read-only file or directory bind the test and the window's library calls, as root too
/// (see FileModesBind); skips the current test function, saying why, where the system cannot make
/// the case.
#define BIND_FILE_MODES(name)                                                     \
    FileModesBind name;                                                           \
    WorkerFileModesBind name##OnWorker;                                           \
    for (const std::string *why : {&name.failure(), &name##OnWorker.failure()}) { \
        if (!why->empty()) {                                                      \
            QSKIP(qPrintable(QString::fromStdString(*why)));                      \
        }                                                                         \
    }

/// Starts the printer simulator (testing/) with "--fast" and @p options as @p name, serving the
/// window's port @p port, and fails the test function when it gives no device. For tests
/// registered as E2E, which know the simulator's path.
#define START_SIMULATOR(name, port, options)                                          \
    zarvo::testing::PrinterSimulator name(ZARVO_SIM_PATH, simulatorOptions(options)); \
    QVERIFY2(name.serve_port(port),                                                   \
             qPrintable("printer simulator: no device " + QString::fromStdString(name.error())))

inline std::vector<std::string> simulatorOptions(const QStringList &options) {
    std::vector<std::string> out{"--fast"};
    for (const QString &option : options) {
        out.push_back(option.toStdString());
    }
    return out;
}

/// Skips the test case where no pseudo-terminal can be made: the simulator serves its line on one.
#define SKIP_WITHOUT_PSEUDO_TERMINALS()                                        \
    if (!zarvo::testing::PseudoTerminal::available()) {                        \
        QSKIP("no pseudo-terminal can be created here (posix_openpt failed)"); \
    }

/// The base of a window test case: each test function gets a fresh window in a fresh scratch
/// directory (openWindow from init, closeWindow from cleanup), against the double of the link
/// library when initTestCase called useDouble.
class WindowTest : public QObject {
  protected:
    enum class Shown { hidden, exposed, active };

    /// Points the window at the double, loaded once for the whole test case.
    void useDouble() {
        window::Module1::setLibraryFile(FAKE_ZARVO_PATH);
        fake_ = std::make_unique<FakeLibrary>();
    }

    /// Forgets the double's script and calls, then opens the window in a new scratch directory.
    void openWindow(Shown shown) {
        closeWindow();  // what a cleanup that stopped early left
        if (fake_ != nullptr) {
            fake_->reset();
        }
        scratch_ = std::make_unique<zarvo::testing::ScratchDirectory>();
        form_ = std::make_unique<FormWindow>();
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

    std::unique_ptr<FakeLibrary> fake_;
    std::unique_ptr<zarvo::testing::ScratchDirectory> scratch_;
    std::unique_ptr<FormWindow> form_;
};
