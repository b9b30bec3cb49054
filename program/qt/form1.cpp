// SPDX-License-Identifier: MIT
// Form1's construction, event wiring, focus events, and the window operations the core uses.
#include "qt/form1.h"

#include <QCloseEvent>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QMessageBox>
#include <QMouseEvent>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <utility>

#include "blocking_call.h"
#include "choice_dialog.h"
#include "ui_form1.h"

using core::Box;
using core::Handler;
using core::Option;

namespace {

// How long into a blocking call the boxes wait to be drawn. At the call's start the frame is being
// written and the far end begins to answer; a paint at that instant competes with both for the
// processor, and lengthened each exchange of a reading by about 0.3 ms on a 2-core machine. A
// little later the call only waits for the paced reply, and a person sees no difference.
constexpr std::chrono::milliseconds kDrawDelay{10};

QString toQString(const core::Text &text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

core::Text fromQString(const QString &text) {
    return text.toStdU16String();
}

}  // namespace

Form1::Form1(QWidget *parent)
    : QWidget(parent),
      ui(std::make_unique<Ui::Form1>()),
      logic_(std::make_unique<core::Form1>(static_cast<core::View &>(*this))) {
    ui->setupUi(this);
    setFixedSize(size());
    drawTimer_.setSingleShot(true);
    drawTimer_.setTimerType(Qt::PreciseTimer);
    drawTimer_.setInterval(kDrawDelay);
    connect(&drawTimer_, &QTimer::timeout, this, &Form1::showTexts);
    connectHandlers();
    ui->Ini->installEventFilter(this);
    ui->Fim->installEventFilter(this);
    makeOptionLabelsClickable();
    for (QPushButton *button : findChildren<QPushButton *>()) {
        fitCaption(button);
    }
    ui->Command1->setFocus();
}

Form1::~Form1() = default;

// The buttons keep the window's geometry; a caption too long for its button gets a smaller font
// rather than being cut at both ends.
void Form1::fitCaption(QPushButton *button) {
    constexpr int kFrame = 8;  // the style's bevel and margin on both sides together
    button->setFont(fontToFit(button->font(), button->text(), button->width() - kFrame));
}

void Form1::connectHandlers() {
    const auto wire = [this](auto *control, auto signal, Handler handler) {
        connect(control, signal, this, [this, handler] { handle(handler); });
    };
    wire(ui->Command1, &QPushButton::clicked, Handler::Command1_Click);
    wire(ui->Command2, &QPushButton::clicked, Handler::Command2_Click);
    wire(ui->Command3, &QPushButton::clicked, Handler::Command3_Click);
    wire(ui->Command4, &QPushButton::clicked, Handler::Command4_Click);
    wire(ui->LMF, &QPushButton::clicked, Handler::LMF_Click);
    wire(ui->Porredu, &QRadioButton::clicked, Handler::Porredu_Click);
    wire(ui->Pordata, &QRadioButton::clicked, Handler::Pordata_Click);
}

void Form1::handle(Handler handler) {
    const BusySpell spell;  // for the handler's calls, and those queued behind it
    logic_->handle(handler);
    showTexts();
}

// An option button is only as large as its circle; the label beside it names it, so a click on
// the label selects it as a click on the circle would.
void Form1::makeOptionLabelsClickable() {
    for (QLabel *label : {ui->Label9, ui->Label10, ui->Label11, ui->Label12}) {
        label->installEventFilter(this);
    }
}

bool Form1::eventFilter(QObject *watched, QEvent *event) {
    if (watched == ui->Ini || watched == ui->Fim) {
        const bool ini = watched == ui->Ini;
        if (event->type() == QEvent::FocusIn) {
            handle(ini ? Handler::Ini_GotFocus : Handler::Fim_GotFocus);
        } else if (event->type() == QEvent::FocusOut) {
            // Switching to another window, or a popup of the box itself, is no move to another
            // control of this window.
            const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
            if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
                handle(ini ? Handler::Ini_Validate : Handler::Fim_Validate);
            }
        }
        return false;
    }

    auto *label = qobject_cast<QLabel *>(watched);
    auto *choice = label ? qobject_cast<QRadioButton *>(label->buddy()) : nullptr;
    if (choice != nullptr && (event->type() == QEvent::MouseButtonPress ||
                              event->type() == QEvent::MouseButtonRelease)) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::LeftButton) {
            return false;
        }
        if (event->type() == QEvent::MouseButtonPress) {
            choice->setFocus(Qt::MouseFocusReason);
        } else if (label->rect().contains(mouse->position().toPoint())) {
            choice->click();
        }
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void Form1::closeEvent(QCloseEvent *event) {
    if (logic_->mayClose()) {
        event->accept();
    } else {
        event->ignore();
    }
}

QLineEdit *Form1::box(Box box) const {
    switch (box) {
        case Box::Text1:
            return ui->Text1;
        case Box::Text2:
            return ui->Text2;
        case Box::Text3:
            return ui->Text3;
        case Box::COO:
            return ui->COO;
        case Box::CCF:
            return ui->CCF;
        case Box::PAPEL:
            return ui->PAPEL;
        case Box::Reducao:
            return ui->Reducao;
        case Box::LEITX:
            return ui->LEITX;
        case Box::Ini:
            return ui->Ini;
        case Box::Fim:
            return ui->Fim;
    }
    return nullptr;
}

QRadioButton *Form1::option(Option option) const {
    switch (option) {
        case Option::Porredu:
            return ui->Porredu;
        case Option::Pordata:
            return ui->Pordata;
        case Option::NaImp:
            return ui->NaImp;
        case Option::NoArq:
            return ui->NoArq;
    }
    return nullptr;
}

core::Text Form1::text(Box which) const {
    const auto pending = unshownTexts_.find(which);
    return pending != unshownTexts_.end() ? pending->second : fromQString(box(which)->text());
}

// A box takes its text during the library call that usually follows, whose wait would otherwise
// be idle, and at the latest as the handler ends. A line edit's setText lays out the text at once,
// which between two exchanges of a reading costs as much as the rest of the window's work on the
// reply.
void Form1::setText(Box which, const core::Text &text) {
    unshownTexts_[which] = text;
    drawSoon();
}

void Form1::drawSoon() {
    if (!drawTimer_.isActive()) {
        drawTimer_.start();
    }
}

void Form1::showTexts() {
    drawTimer_.stop();
    for (const auto &[which, text] : std::exchange(unshownTexts_, {})) {
        putText(which, toQString(text));
    }
}

void Form1::showText(Box which) {
    const auto pending = unshownTexts_.find(which);
    if (pending != unshownTexts_.end()) {
        putText(which, toQString(pending->second));
        unshownTexts_.erase(pending);
    }
}

void Form1::putText(Box which, const QString &value) {
    QLineEdit *edit = box(which);
    // QLineEdit would cut the text at its length limit (32767 characters by default).
    if (value.size() > edit->maxLength()) {
        edit->setMaxLength(static_cast<int>(value.size()));
    }
    if (which == Box::Reducao || which == Box::LEITX) {
        // "Não Efetuada" is wider than its box at the window's font: the box takes a smaller
        // font for such a text, so that the operator reads it whole from its beginning.
        constexpr int kMargins = 10;  // the frame and the box's own margins, both sides
        edit->setFont(fontToFit(font(), value, edit->width() - kMargins));
        edit->setText(value);
        edit->setCursorPosition(0);
        return;
    }
    edit->setText(value);
}

// Drawn by the blocking call that follows, whose event loop paints while the line carries the
// command: a paint made here, before the call, would delay each exchange by its own length. A box
// whose text changes is redrawn by its line edit; one whose text stays already shows it.
void Form1::repaint(Box /*which*/) {
    drawSoon();
}

void Form1::setForeColor(Box which, std::uint32_t colour) {
    showText(which);  // the colour and the text change together
    QLineEdit *edit = box(which);
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Text,
                     QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                            static_cast<int>((colour >> 16) & 0xFF)));
    edit->setPalette(palette);
}

void Form1::setMaxLength(Box which, int characters) {
    showText(which);
    QLineEdit *edit = box(which);
    // A smaller limit would cut the text already in the box.
    edit->setMaxLength(std::max(characters, static_cast<int>(edit->text().size())));
}

bool Form1::isSelected(Option which) const {
    return option(which)->isChecked();
}

void Form1::select(Option which) {
    option(which)->setChecked(true);
}

void Form1::showError(const core::Message &message) {
    auto *box = new QMessageBox(QMessageBox::Critical, windowTitle(), toQString(message.summary),
                                QMessageBox::Ok, this);
    box->setInformativeText(toQString(message.detail));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void Form1::offerChoice(const core::Message &message, const std::vector<core::Text> &items,
                        const core::Text &confirm, std::function<void(std::size_t)> chosen) {
    ChoiceDialog::open(this, message, items, confirm, std::move(chosen));
}

void Form1::showNotice(const core::Message &message) {
    if (portNotice_ == nullptr) {
        portNotice_ =
            new QMessageBox(QMessageBox::Warning, windowTitle(), QString(), QMessageBox::Ok, this);
        portNotice_->setWindowModality(Qt::NonModal);
        portNotice_->setAttribute(Qt::WA_DeleteOnClose);
    }
    portNotice_->setText(toQString(message.summary));
    portNotice_->setInformativeText(toQString(message.detail));
    portNotice_->show();
    portNotice_->raise();
}

std::int32_t Form1::runBlocking(const std::function<std::int32_t()> &call) {
    return runBlockingCall(call);
}

void Form1::handlerStarted(Handler handler) {
    emit handlerStarting(QString::fromLatin1(core::nameOf(handler)));
}

void Form1::closeWindow() {
    close();
}

QFont fontToFit(QFont font, const QString &text, int width) {
    constexpr qreal kSmallest = 6.0;
    while (font.pointSizeF() > kSmallest && QFontMetrics(font).horizontalAdvance(text) > width) {
        font.setPointSizeF(font.pointSizeF() - 0.5);
    }
    return font;
}
