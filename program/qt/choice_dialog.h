// SPDX-License-Identifier: MIT
// The Qt view's choice among a few items: a window-modal dialog that does not block its caller.
#pragma once

#include <QDialog>

#include <cstddef>
#include <functional>
#include <vector>

#include "core/view.h"

class QListWidget;

namespace zarvo::window::qt {

/// Shows @p message, the @p items in a list (the first one selected), a button @p confirm and
/// "Cancelar" over @p parent; returns at once. A confirmed item is passed to @p chosen once the
/// dialog has closed. The dialog deletes itself when closed; its object name is "choiceDialog",
/// its list's "choices".
class ChoiceDialog : public QDialog {
    Q_OBJECT

  public:
    static ChoiceDialog *open(QWidget *parent, const zarvo::window::Message &message,
                              const std::vector<zarvo::window::Text> &items,
                              const zarvo::window::Text &confirm,
                              std::function<void(std::size_t)> chosen);

  private:
    ChoiceDialog(QWidget *parent, std::function<void(std::size_t)> chosen);

    QListWidget *list_ = nullptr;
    std::function<void(std::size_t)> chosen_;
};

}  // namespace zarvo::window::qt
