// SPDX-License-Identifier: MIT
// The choice dialog: text, a list, a confirming button and "Cancelar".
#include "choice_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace zarvo::window::qt {
namespace {

QString toQString(const zarvo::window::Text &text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

ChoiceDialog::ChoiceDialog(QWidget *parent, std::function<void(std::size_t)> chosen)
    : QDialog(parent), chosen_(std::move(chosen)) {}

ChoiceDialog *ChoiceDialog::open(QWidget *parent, const zarvo::window::Message &message,
                                 const std::vector<zarvo::window::Text> &items,
                                 const zarvo::window::Text &confirm,
                                 std::function<void(std::size_t)> chosen) {
    auto *dialog = new ChoiceDialog(parent, std::move(chosen));
    dialog->setObjectName(QStringLiteral("choiceDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(parent != nullptr ? parent->windowTitle() : QString());
    auto *layout = new QVBoxLayout(dialog);
    auto *summary = new QLabel(toQString(message.summary), dialog);
    summary->setWordWrap(true);
    layout->addWidget(summary);
    dialog->list_ = new QListWidget(dialog);
    dialog->list_->setObjectName(QStringLiteral("choices"));
    for (const zarvo::window::Text &item : items) {
        dialog->list_->addItem(toQString(item));
    }
    dialog->list_->setCurrentRow(0);
    layout->addWidget(dialog->list_);
    if (!message.detail.empty()) {
        auto *detail = new QLabel(toQString(message.detail), dialog);
        detail->setWordWrap(true);
        layout->addWidget(detail);
    }
    auto *buttons = new QDialogButtonBox(dialog);
    buttons->addButton(toQString(confirm), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Cancelar"), QDialogButtonBox::RejectRole);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    connect(dialog->list_, &QListWidget::itemDoubleClicked, dialog, &QDialog::accept);
    connect(dialog, &QDialog::accepted, dialog, [dialog] {
        const int row = dialog->list_->currentRow();
        if (row >= 0 && dialog->chosen_) {
            // Once the dialog is gone: what the choice shows (a notice, an error) is not under it.
            QTimer::singleShot(0, dialog->parentWidget(), [chosen = dialog->chosen_, row] {
                chosen(static_cast<std::size_t>(row));
            });
        }
    });
    dialog->resize(560, dialog->sizeHint().height());
    dialog->QDialog::open();  // window-modal, returns at once
    return dialog;
}

}  // namespace zarvo::window::qt
