// SPDX-License-Identifier: MIT
// The choice dialog: the text, a list, a confirming button and "Cancelar".
#include "choice.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace zarvo::window::qt {

void Choice::show(QWidget *owner, const QString &summary, const QString &detail,
                  const QStringList &items, const QString &confirm,
                  std::function<void(std::size_t)> chosen) {
    if (dialog_ != nullptr) {
        dialog_->close();  // declined: it calls nothing
    }
    auto *dialog = new QDialog(owner);
    dialog_ = dialog;
    dialog->setObjectName(QStringLiteral("choiceDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(owner != nullptr ? owner->windowTitle() : QString());
    auto *layout = new QVBoxLayout(dialog);
    auto *text = new QLabel(summary, dialog);
    text->setWordWrap(true);
    layout->addWidget(text);
    auto *list = new QListWidget(dialog);
    list->setObjectName(QStringLiteral("choices"));
    list->addItems(items);
    list->setCurrentRow(0);
    layout->addWidget(list);
    if (!detail.isEmpty()) {
        auto *below = new QLabel(detail, dialog);
        below->setWordWrap(true);
        layout->addWidget(below);
    }
    auto *buttons = new QDialogButtonBox(dialog);
    buttons->addButton(confirm, QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Cancelar"), QDialogButtonBox::RejectRole);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    QObject::connect(list, &QListWidget::itemDoubleClicked, dialog, &QDialog::accept);
    QObject::connect(
        dialog, &QDialog::accepted, dialog, [dialog, list, chosen = std::move(chosen)] {
            const int row = list->currentRow();
            if (row >= 0 && chosen) {
                // Once the dialog is gone: what the choice shows (a notice, an error) is not under
                // it.
                QTimer::singleShot(0, dialog->parentWidget(),
                                   [chosen, row] { chosen(static_cast<std::size_t>(row)); });
            }
        });
    dialog->resize(560, dialog->sizeHint().height());
    dialog->open();  // window-modal, returns at once
}

}  // namespace zarvo::window::qt
