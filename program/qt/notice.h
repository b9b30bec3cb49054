// SPDX-License-Identifier: MIT
// A notice that leaves the window usable: one message box of its own, reused for the next text.
#pragma once

#include <QMessageBox>
#include <QPointer>
#include <QString>

namespace zarvo::window::qt {

class Notice {
  public:
    /// Shows @p summary and @p detail with a warning sign over @p owner, replacing the text of a
    /// notice still shown.
    void show(QWidget *owner, const QString &summary, const QString &detail);

  private:
    QPointer<QMessageBox> box_;
};

}  // namespace zarvo::window::qt
