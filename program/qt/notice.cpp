// SPDX-License-Identifier: MIT
// The notice: a message box that is not modal, deleted as it closes.
#include "notice.h"

namespace zarvo::window::qt {

void Notice::show(QWidget *owner, const QString &summary, const QString &detail) {
    if (box_ == nullptr) {
        box_ = new QMessageBox(QMessageBox::Warning, owner->windowTitle(), QString(),
                               QMessageBox::Ok, owner);
        box_->setWindowModality(Qt::NonModal);
        box_->setAttribute(Qt::WA_DeleteOnClose);
    }
    box_->setText(summary);
    box_->setInformativeText(detail);
    box_->show();
    box_->raise();
}

}  // namespace zarvo::window::qt
