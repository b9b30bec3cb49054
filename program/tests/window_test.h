// SPDX-License-Identifier: MIT
// What the window's test cases share: a scratch current directory, its files, reruns as nobody,
// the handlers a window started, and the fixture of a fresh window against the link library double.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "fake_library.h"
#include "form1.h"
#include "module1.h"

/// Makes a fresh temporary directory the current one for the life of the object, since the reply
/// file is read from the current directory.
class ScratchDirectory {
  public:
    ScratchDirectory() : previous_(QDir::currentPath()) { QDir::setCurrent(dir_.path()); }
    ~ScratchDirectory() { QDir::setCurrent(previous_); }
    QString path() const { return dir_.path(); }

  private:
    QTemporaryDir dir_;
    QString previous_;
};

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

/// Permissions do not bind root. Run by root, this reruns the current row of the current test
/// function in a child process of the test executable as the user nobody, takes the child's
/// outcome (pass, fail or skip) as the row's own and returns true: the caller then returns. Run by
/// anyone else it returns false, and the caller runs the row itself.
inline bool rerunAsNobody() {
    if (geteuid() != 0) {
        return false;
    }
    QString row = QString::fromLatin1(QTest::currentTestFunction());
    if (QTest::currentDataTag() != nullptr) {
        row += QLatin1Char(':') + QString::fromUtf8(QTest::currentDataTag());
    }
    QProcess child;
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QStringLiteral("setpriv"), {"--reuid=65534", "--regid=65534", "--clear-groups",
                                            "--", QCoreApplication::applicationFilePath(), row});
    child.waitForFinished(240000);
    const QString output = QString::fromLocal8Bit(child.readAll());
    if (!output.contains(QLatin1String("Start testing of"))) {
        QTest::qSkip(qPrintable("permissions do not bind root, and this test could not be rerun "
                                "as the user nobody (setpriv, from util-linux): " +
                                child.errorString() + '\n' + output),
                     __FILE__, __LINE__);
    } else if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) {
        QTest::qFail(qPrintable("rerun as the user nobody:\n" + output), __FILE__, __LINE__);
    } else if (output.contains(QLatin1String("SKIP   : "))) {
        QTest::qSkip(qPrintable("rerun as the user nobody:\n" + output), __FILE__, __LINE__);
    }
    return true;
}

/// The base of a window test case: each test function gets a fresh window in a fresh scratch
/// directory (openWindow from init, closeWindow from cleanup), against the double of the link
/// library when initTestCase called useDouble.
class WindowTest : public QObject {
  protected:
    enum class Shown { hidden, exposed, active };

    /// Points the window at the double, loaded once for the whole test case.
    void useDouble() {
        Module1::setLibraryFile(FakeLibrary::path());
        fake_ = std::make_unique<FakeLibrary>();
    }

    /// Forgets the double's script and calls, then opens the window in a new scratch directory.
    void openWindow(Shown shown) {
        closeWindow();  // what a cleanup that stopped early left
        if (fake_ != nullptr) {
            fake_->reset();
        }
        scratch_ = std::make_unique<ScratchDirectory>();
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
            chmod(qPrintable(scratch_->path()), 0700);
            scratch_.reset();
        }
    }

    template <typename T = QWidget>
    T *child(const char *name) const {
        return form_->findChild<T *>(QLatin1String(name));
    }
    QLineEdit *box(const char *name) const { return child<QLineEdit>(name); }

    std::unique_ptr<FakeLibrary> fake_;
    std::unique_ptr<ScratchDirectory> scratch_;
    std::unique_ptr<Form1> form_;
};
