// SPDX-License-Identifier: MIT
// The error that stops a window handler: a platform failure told to the operator in a message box.
#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QString>

#include <cstring>
#include <utility>

/// Thrown by the routines when the platform fails (library, reply file, 16-bit overflow); caught
/// once around every handler, which then closes its ports and shows the message.
class HandlerError {
  public:
    HandlerError(QString summary, QString detail)
        : summary_(std::move(summary)), detail_(std::move(detail)) {}

    /// A failure on @p file of the current directory: the detail names the file, the directory
    /// and @p reason.
    static HandlerError aboutFile(QString summary, const QString &file, const QString &reason) {
        return HandlerError(
            std::move(summary),
            QCoreApplication::translate("HandlerError", "Arquivo: %1\nPasta: %2\nMotivo: %3")
                .arg(file, QDir::currentPath(), reason));
    }

    /// One sentence naming the problem.
    const QString &summary() const { return summary_; }
    /// The thing concerned (file, directory, library) and the system's reason.
    const QString &detail() const { return detail_; }

  private:
    QString summary_;
    QString detail_;
};

/// The system's reason for the error number @p error, as strerror words it.
inline QString systemReason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}
