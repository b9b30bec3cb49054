// SPDX-License-Identifier: MIT
// The printer simulator on a pseudo-terminal, for the window's tests through the real link library.
#pragma once

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

/// Whether a pseudo-terminal can be created here: the simulator serves its line on one.
inline bool pseudoTerminalsAvailable() {
    const int fd = posix_openpt(O_RDWR | O_NOCTTY);
    if (fd < 0) {
        return false;
    }
    close(fd);
    return true;
}

/// One printer simulator, run with "--fast" and @p options, serving the window's port @p port
/// (API232_PORT<port> names its pseudo-terminal) until destroyed.
class Simulator {
  public:
    Simulator(int port, const QStringList &options) {
        process_.start(QStringLiteral(ZARVO_SIM_PATH), QStringList{"--fast"} + options);
        if (process_.waitForStarted(10000)) {
            while (!process_.canReadLine() && process_.waitForReadyRead(10000)) {
            }
        }
        device_ = QString::fromLocal8Bit(process_.readLine()).trimmed();
        qputenv(("API232_PORT" + QByteArray::number(port)).constData(), device_.toLocal8Bit());
    }
    ~Simulator() {
        process_.terminate();
        process_.waitForFinished(5000);
    }
    Simulator(const Simulator &) = delete;
    Simulator &operator=(const Simulator &) = delete;

    bool started() const { return device_.startsWith(QLatin1String("/dev/")); }
    /// Why it did not start: its own message, or the process's error.
    QString failure() {
        return QString::fromLocal8Bit(process_.readAllStandardError()) + process_.errorString();
    }

  private:
    QProcess process_;
    QString device_;
};

/// Starts a Simulator called @p name, failing the test function when it gives no device.
#define START_SIMULATOR(name, port, options) \
    Simulator name(port, options);           \
    QVERIFY2(name.started(), qPrintable("printer simulator: " + name.failure()))
