// SPDX-License-Identifier: MIT
// A choice of one item from a list, window-modal over the form: the form takes no input while it
// is shown, and the caller is not held in a loop of its own.
#pragma once

#include <QDialog>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <functional>

namespace zarvo::window::qt {

class Choice {
  public:
    /// Shows @p summary above a list of @p items (the first selected), @p detail under it and the
    /// buttons @p confirm and "Cancelar", over @p owner, which takes no input until the choice
    /// closes. A confirmed item goes to @p chosen after the choice has closed. A choice still
    /// shown is replaced. The dialog's object name is "choiceDialog", its list's "choices".
    void show(QWidget *owner, const QString &summary, const QString &detail,
              const QStringList &items, const QString &confirm,
              std::function<void(std::size_t)> chosen);

  private:
    QPointer<QDialog> dialog_;
};

}  // namespace zarvo::window::qt
