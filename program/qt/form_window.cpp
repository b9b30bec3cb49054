// SPDX-License-Identifier: MIT
// The form's widgets made from the core's table, its events, and the window operations the core
// uses.
#include "qt/form_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <vector>

#include "blocking_call.h"

namespace zarvo::window::qt {

namespace {

QString toQString(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

QRect pixelRect(const ControlRow &row) {
    return {pixels(row.left), pixels(row.top), pixels(row.width), pixels(row.height)};
}

// The pixels that a caption or text has inside the control of @p row.
int textRoom(const ControlRow &row) {
    return pixels(textRoomTwips(row));
}

QStringList toQStrings(const std::vector<Text> &texts) {
    QStringList list;
    for (const Text &text : texts) {
        list << toQString(text);
    }
    return list;
}

}  // namespace

FormWindow::FormWindow(QWidget *parent)
    : QWidget(parent), logic_(std::make_unique<Form1>(static_cast<View &>(*this))) {
    setObjectName(QStringLiteral("Form1"));
    QFont windowFont;
    windowFont.setPointSize(kFontPoints);
    setFont(windowFont);
    setWindowTitle(toQString(kFormCaption));
    setFixedSize(pixels(kClientWidthTwips), pixels(kClientHeightTwips));
    for (const ControlRow &row : kForm) {
        makeControl(row);
    }
    nameByLabels();
    orderTabs();
    wireHandlers();
    widget(Control::Command1)->setFocus();
}

FormWindow::~FormWindow() = default;

void FormWindow::makeControl(const ControlRow &row) {
    QWidget *parent = row.container == Control::Window ? this : widget(row.container);
    const QString text = toQString(row.text);
    QWidget *made = nullptr;
    switch (row.kind) {
        case ControlKind::Button: {
            auto *button = new QPushButton(text, parent);
            button->setAutoDefault(true);  // Enter presses the button while it has the focus
            made = button;
            break;
        }
        case ControlKind::TextBox: {
            auto *edit = new QLineEdit(text, parent);
            if (hasFact(row, kOwnColor)) {
                QPalette palette = edit->palette();
                palette.setColor(QPalette::Text, Qt::black);
                edit->setPalette(palette);
            }
            made = edit;
            break;
        }
        case ControlKind::Label: {
            auto *label = new QLabel(text, parent);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            made = label;
            break;
        }
        case ControlKind::Frame:
            made = new QGroupBox(text, parent);
            break;
        case ControlKind::Option: {
            auto *choice = new QRadioButton(parent);
            choice->setChecked(hasFact(row, kSelected));
            made = choice;
            break;
        }
    }
    made->setObjectName(
        QString::fromLatin1(row.name.data(), static_cast<qsizetype>(row.name.size())));
    made->setGeometry(pixelRect(row));
    if (hasFact(row, kShrinksToFit) && !text.isEmpty()) {
        made->setFont(fontToFit(made->font(), text, textRoom(row)));
    }
    widgets_[idOf(row.id)] = made;
}

// A label names the control it heads, for a screen reader; one that names an option button also
// takes its clicks (eventFilter).
void FormWindow::nameByLabels() {
    for (const ControlRow &row : kForm) {
        if (row.kind != ControlKind::Label || row.names == Control::Window) {
            continue;
        }
        auto *label = static_cast<QLabel *>(widget(row.id));
        QWidget *named = widget(row.names);
        label->setBuddy(named);
        QString name = label->text();
        if (name.endsWith(QLatin1Char(':'))) {
            name.chop(1);
        }
        named->setAccessibleName(name);
        if (rowOf(row.names).kind == ControlKind::Option) {
            label->installEventFilter(this);
        }
    }
}

void FormWindow::orderTabs() {
    const auto &order = kTabOrder;
    for (std::size_t i = 1; i < order.size(); ++i) {
        setTabOrder(widget(order[i - 1]), widget(order[i]));
    }
}

void FormWindow::wireHandlers() {
    for (const Form1::HandlerRow &row : Form1::kHandlers) {
        const Handler handler = row.handler;
        QWidget *control = widget(handler.control);
        if (handler.event == Event::Click) {
            connect(static_cast<QAbstractButton *>(control), &QAbstractButton::clicked, this,
                    [this, handler] { handle(handler); });
        } else {
            control->installEventFilter(this);  // focus events: eventFilter
        }
    }
}

void FormWindow::handle(Handler handler) {
    const BusySpell spell;  // for the handler's calls, and those queued behind it
    logic_->handle(handler);
}

const ControlRow *FormWindow::rowOfWidget(const QObject *object) const {
    const auto at = std::find(widgets_.begin(), widgets_.end(), object);
    return at == widgets_.end() ? nullptr : &kForm[static_cast<std::size_t>(at - widgets_.begin())];
}

bool FormWindow::eventFilter(QObject *watched, QEvent *event) {
    const ControlRow *row = rowOfWidget(watched);
    if (row == nullptr) {
        return QWidget::eventFilter(watched, event);
    }
    if (event->type() == QEvent::FocusIn) {
        handle({row->id, Event::GotFocus});
    } else if (event->type() == QEvent::FocusOut) {
        // The control taking the focus is already the application's focus widget; none, or one
        // of another window (a message box, another program's), is no move within the form.
        const QWidget *next = QApplication::focusWidget();
        if (next != nullptr && isAncestorOf(next)) {
            handle({row->id, Event::Validate});
        }
    } else if (row->kind == ControlKind::Label && (event->type() == QEvent::MouseButtonPress ||
                                                   event->type() == QEvent::MouseButtonRelease)) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::LeftButton) {
            return false;
        }
        auto *choice = static_cast<QRadioButton *>(widget(row->names));
        if (event->type() == QEvent::MouseButtonPress) {
            choice->setFocus(Qt::MouseFocusReason);
        } else if (static_cast<QWidget *>(watched)->rect().contains(mouse->position().toPoint())) {
            choice->click();
        }
        return true;
    }
    return false;
}

void FormWindow::closeEvent(QCloseEvent *event) {
    if (logic_->mayClose()) {
        event->accept();
    } else {
        event->ignore();
    }
}

QLineEdit *FormWindow::box(Box which) const {
    return static_cast<QLineEdit *>(widget(controlOf(which)));
}

QRadioButton *FormWindow::option(Option which) const {
    return static_cast<QRadioButton *>(widget(controlOf(which)));
}

Text FormWindow::text(Box which) const {
    return box(which)->text().toStdU16String();
}

void FormWindow::setText(Box which, const Text &text) {
    QLineEdit *edit = box(which);
    const QString value = toQString(text);
    // QLineEdit would cut the text at its length limit (32767 characters by default).
    if (value.size() > edit->maxLength()) {
        edit->setMaxLength(static_cast<int>(value.size()));
    }
    const ControlRow &row = rowOf(controlOf(which));
    if (hasFact(row, kShrinksToFit)) {
        // Such a box is read from its beginning: "Não Efetuada" is wider than a status box.
        edit->setFont(fontToFit(font(), value, textRoom(row)));
        edit->setText(value);
        edit->setCursorPosition(0);
        return;
    }
    edit->setText(value);
}

void FormWindow::repaint(Box which) {
    box(which)->repaint();
}

void FormWindow::setForeColor(Box which, std::uint32_t color) {
    QLineEdit *edit = box(which);
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Text,
                     QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                            static_cast<int>((color >> 16) & 0xFF)));
    edit->setPalette(palette);
}

void FormWindow::setMaxLength(Box which, int characters) {
    QLineEdit *edit = box(which);
    // A smaller limit would cut the text already in the box.
    edit->setMaxLength(std::max(characters, static_cast<int>(edit->text().size())));
}

bool FormWindow::isSelected(Option which) const {
    return option(which)->isChecked();
}

void FormWindow::select(Option which) {
    option(which)->setChecked(true);
}

void FormWindow::showError(const Message &message) {
    auto *box = new QMessageBox(QMessageBox::Critical, windowTitle(), toQString(message.summary),
                                QMessageBox::Ok, this);
    box->setInformativeText(toQString(message.detail));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void FormWindow::showNotice(const Message &message) {
    notice_.show(this, toQString(message.summary), toQString(message.detail));
}

void FormWindow::offerChoice(const Message &message, const std::vector<Text> &items,
                             const Text &confirm, std::function<void(std::size_t)> chosen) {
    choice_.show(this, toQString(message.summary), toQString(message.detail), toQStrings(items),
                 toQString(confirm), std::move(chosen));
}

std::int32_t FormWindow::runBlocking(const std::function<std::int32_t()> &call) {
    return runBlockingCall(call);
}

void FormWindow::handlerStarted(Handler handler) {
    emit handlerStarting(QString::fromStdString(nameOf(handler)));
}

void FormWindow::closeWindow() {
    close();
}

QFont fontToFit(QFont font, const QString &text, int width) {
    while (font.pointSizeF() > kSmallestFontPoints &&
           QFontMetrics(font).horizontalAdvance(text) > width) {
        font.setPointSizeF(font.pointSizeF() - 0.5);
    }
    return font;
}

}  // namespace zarvo::window::qt
