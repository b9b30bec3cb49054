// SPDX-License-Identifier: MIT
// The error that stops a window handler: a platform failure told to the operator in a message box.
#pragma once

#include <QString>

/// Thrown by the routines when the platform fails (library, reply file, 16-bit overflow); caught
/// once around every handler, which then closes its ports and shows the message.
class HandlerError {
  public:
    HandlerError(QString summary, QString detail)
        : summary_(std::move(summary)), detail_(std::move(detail)) {}

    /// One sentence naming the problem.
    const QString &summary() const { return summary_; }
    /// The thing concerned (file, directory, library) and the system's reason.
    const QString &detail() const { return detail_; }

  private:
    QString summary_;
    QString detail_;
};
