// SPDX-License-Identifier: MIT
// Form1's construction, event wiring, focus events and the guard that runs every handler.
#include "form1.h"

#include <QCloseEvent>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QMessageBox>
#include <QMouseEvent>

#include <cstring>
#include <exception>

#include "API232.h"
#include "handler_error.h"
#include "module1.h"
#include "ui_form1.h"

Form1::Form1(QWidget *parent) : QWidget(parent), ui(std::make_unique<Ui::Form1>()) {
    ui->setupUi(this);
    setFixedSize(size());
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
    connect(ui->Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(ui->Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(ui->Command3, &QPushButton::clicked, this, &Form1::Command3_Click);
    connect(ui->Command4, &QPushButton::clicked, this, &Form1::Command4_Click);
    connect(ui->LMF, &QPushButton::clicked, this, &Form1::LMF_Click);
    connect(ui->Porredu, &QRadioButton::clicked, this, &Form1::Porredu_Click);
    connect(ui->Pordata, &QRadioButton::clicked, this, &Form1::Pordata_Click);
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
            ini ? Ini_GotFocus() : Fim_GotFocus();
        } else if (event->type() == QEvent::FocusOut) {
            // Switching to another window, or a popup of the box itself, is no move to another
            // control of this window.
            const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
            if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
                ini ? Ini_Validate() : Fim_Validate();
            }
        }
        return false;
    }

    auto *label = qobject_cast<QLabel *>(watched);
    auto *option = label ? qobject_cast<QRadioButton *>(label->buddy()) : nullptr;
    if (option != nullptr && (event->type() == QEvent::MouseButtonPress ||
                              event->type() == QEvent::MouseButtonRelease)) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::LeftButton) {
            return false;
        }
        if (event->type() == QEvent::MouseButtonPress) {
            option->setFocus(Qt::MouseFocusReason);
        } else if (label->rect().contains(mouse->position().toPoint())) {
            option->click();
        }
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void Form1::closeEvent(QCloseEvent *event) {
    if (handlerRunning_) {
        closeRequested_ = true;
        event->ignore();
        return;
    }
    closeRequested_ = false;
    event->accept();
}

void Form1::runHandler(const char *name, const std::function<void()> &body) {
    if (closeRequested_) {
        return;
    }
    if (handlerRunning_) {
        // A focus event raised while an exchange waits; it runs once the running handler ends.
        pendingHandlers_.emplace_back(name, body);
        return;
    }

    handlerRunning_ = true;
    pendingHandlers_.emplace_back(name, body);
    while (!pendingHandlers_.empty() && !closeRequested_) {
        const auto [handler, run] = pendingHandlers_.front();
        pendingHandlers_.pop_front();
        emit handlerStarted(QString::fromLatin1(handler));
        Module1::takeOpenPorts();
        Module1::takeOpenFailures();
        try {
            run();
        } catch (const HandlerError &error) {
            closePortsLeftOpen();
            showError(error);
        } catch (const std::exception &error) {
            closePortsLeftOpen();
            showError(HandlerError(tr("Erro inesperado em %1.").arg(QLatin1String(handler)),
                                   QString::fromLocal8Bit(error.what())));
        }
        tellPortsNotOpened(handler);
    }
    pendingHandlers_.clear();
    handlerRunning_ = false;

    if (closeRequested_) {
        close();
    }
}

void Form1::closePortsLeftOpen() {
    for (std::int16_t port : Module1::takeOpenPorts()) {
        try {
            Module1::Fecha(port);
        } catch (const HandlerError &) {
            // The error that stopped the handler is the one the operator needs to see.
        }
    }
}

void Form1::showError(const HandlerError &error) {
    auto *box = new QMessageBox(QMessageBox::Critical, windowTitle(), error.summary(),
                                QMessageBox::Ok, this);
    box->setInformativeText(error.detail());
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

namespace {

// Why a port did not open and what to do, in the operator's words; nothing for a port number that
// is no port (0 before any printer test), which the answer box's "ERRO 98" already tells.
struct OpenFailureText {
    QString reason;
    QString advice;
};

OpenFailureText openFailureText(std::int16_t result) {
    const auto tr = [](const char *text) { return QCoreApplication::translate("Form1", text); };
    switch (result) {
        case SIO_BUSY:
            return {tr("em uso por outro programa"),
                    tr("Feche o outro programa que usa a porta (outra janela do Zarvo, um "
                       "terminal serial) e tente de novo.")};
        case SIO_NO_PERMISSION:
            return {tr("sem permissão: o usuário precisa pertencer ao grupo dialout"),
                    tr("Acrescente o usuário ao grupo: sudo usermod -aG dialout $USER; depois "
                       "saia da sessão e entre de novo.")};
        case SIO_NO_DEVICE:
            return {tr("o dispositivo não existe"),
                    tr("Confira o cabo e o adaptador USB, e a variável API232_PORT<n> que nomeia "
                       "o dispositivo da porta n.")};
        case SIO_OPEN_FAIL:
            return {tr("o dispositivo não funciona como porta serial"),
                    tr("Confira a variável API232_PORT<n>: ela deve nomear uma porta serial.")};
        default:
            return {};
    }
}

}  // namespace

void Form1::tellPortsNotOpened(const char *handler) {
    // The printer test looks on ports 1 and 2, and port 2 seldom exists: a missing device is an
    // ordinary answer of that search, and "Impressora não Conectada" says the rest.
    const bool portSearch = std::strcmp(handler, "Command1_Click") == 0;
    QStringList lines;
    QStringList advice;
    for (const Module1::OpenFailure &failure : Module1::takeOpenFailures()) {
        if (portSearch && failure.result == SIO_NO_DEVICE) {
            continue;
        }
        const OpenFailureText text = openFailureText(failure.result);
        if (text.reason.isEmpty()) {
            continue;
        }
        const QString line = tr("A porta %1 (%2) não pôde ser aberta: %3.")
                                 .arg(failure.port)
                                 .arg(Module1::deviceOf(failure.port), text.reason);
        if (!lines.contains(line)) {
            lines << line;
        }
        if (!advice.contains(text.advice)) {
            advice << text.advice;
        }
    }
    if (lines.isEmpty()) {
        return;
    }
    // One box, replaced at the next press rather than piled up; it leaves the window in use.
    if (portNotice_ == nullptr) {
        portNotice_ =
            new QMessageBox(QMessageBox::Warning, windowTitle(), QString(), QMessageBox::Ok, this);
        portNotice_->setWindowModality(Qt::NonModal);
        portNotice_->setAttribute(Qt::WA_DeleteOnClose);
    }
    portNotice_->setText(lines.join(QLatin1Char('\n')));
    portNotice_->setInformativeText(advice.join(QLatin1Char('\n')));
    portNotice_->show();
    portNotice_->raise();
}

void setBoxText(QLineEdit *box, const QString &text) {
    if (text.size() > box->maxLength()) {
        box->setMaxLength(static_cast<int>(text.size()));
    }
    box->setText(text);
}

QFont fontToFit(QFont font, const QString &text, int width) {
    constexpr qreal kSmallest = 6.0;
    while (font.pointSizeF() > kSmallest && QFontMetrics(font).horizontalAdvance(text) > width) {
        font.setPointSizeF(font.pointSizeF() - 0.5);
    }
    return font;
}

void Form1::setForeColor(QLineEdit *box, std::uint32_t colour) {
    const QColor colourValue(static_cast<int>(colour & 0xFF),
                             static_cast<int>((colour >> 8) & 0xFF),
                             static_cast<int>((colour >> 16) & 0xFF));
    QPalette palette = box->palette();
    palette.setColor(QPalette::Text, colourValue);
    box->setPalette(palette);
}
