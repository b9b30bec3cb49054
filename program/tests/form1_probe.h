// SPDX-License-Identifier: MIT
// The tests' access to Form1's state and routines, which the window keeps private.
#pragma once

#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

#include "form1.h"

class Form1Probe {
  public:
    explicit Form1Probe(Form1 &form) : form_(form) {}

    QString &LastReply() { return form_.LastReply; }
    QString &ReplySign() { return form_.ReplySign; }
    std::optional<std::int32_t> &PrinterPort() { return form_.PrinterPort; }
    QString &SummerTimeFlag() { return form_.SummerTimeFlag; }
    std::int32_t &LinkStatus() { return form_.LinkStatus; }

    std::int32_t Tenta(std::int32_t port) { return form_.Tenta(port); }
    std::int16_t VV(std::int32_t port, std::int32_t timeout, const QString &command) {
        return form_.VV(port, timeout, command);
    }
    QString Retorno() { return form_.Retorno(); }
    void Resultado() { form_.Resultado(); }
    std::int16_t PaperEnd() { return form_.PaperEnd(); }
    QString ReplyData() { return form_.ReplyData(); }

    /// Runs @p body as the window runs a handler: in turn, with the error guard.
    void runHandler(const char *name, const std::function<void()> &body) {
        form_.runHandler(name, body);
    }

  private:
    Form1 &form_;
};

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
