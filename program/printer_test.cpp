// SPDX-License-Identifier: MIT
// Handlers of "Testar Impressora", the summer-time buttons and "Leitura X".
#include <QLineEdit>

#include "form1.h"
#include "module1.h"
#include "ui_form1.h"

// Each body runs inside runHandler, which stops it cleanly on a platform error.

namespace {

// Reply fields by their 1-based position. A field that runs past the end of the reply comes out
// shorter, or empty, as QString::mid gives it.
QString field(const QString &reply, qsizetype position, qsizetype length) {
    return reply.mid(position - 1, length);
}

// "Não Efetuada" is wider than its box at the window's font: the box takes a smaller font for
// such a text, so that the operator reads it whole, and shows it from its beginning.
void showWhole(QLineEdit *box, const QString &text) {
    constexpr int kMargins = 10;  // the frame and the box's own margins on both sides together
    box->setFont(fontToFit(box->parentWidget()->font(), text, box->width() - kMargins));
    box->setText(text);
    box->setCursorPosition(0);
}

// Shows the status character that a box understands; any other character leaves the box as the
// last test left it.
void showState(QLineEdit *box, const QString &state,
               std::initializer_list<std::pair<const char *, const char *>> texts) {
    for (const auto &[character, text] : texts) {
        if (state == QLatin1String(character)) {
            showWhole(box, QString::fromUtf8(text));
            return;
        }
    }
}

}  // namespace

void Form1::Command1_Click() {
    runHandler("Command1_Click", [this] {
        // Port 1 first, then port 2; Tenta keeps the accepting port open and in PrinterPort, and
        // closes the other.
        if (Tenta(1) != 0 && Tenta(2) != 0) {
            ui->Text2->setText(QStringLiteral("Impressora não Conectada"));
            ReplySign = QStringLiteral("-");
            return;
        }
        const std::int32_t port = printerPortNumber();

        // LastReply is the accepted probe: clock at 44-53, summer time at 54.
        SummerTimeFlag = field(LastReply, 54, 1);
        ui->Text2->setText(SummerTimeFlag == QLatin1String("S")
                               ? QStringLiteral("Horario de Verao ")
                               : QStringLiteral("Horario Normal "));
        // The clock goes after the box's text as the box now holds it.
        ui->Text2->setText(ui->Text2->text() + field(LastReply, 44, 2) + QLatin1Char('/') +
                           field(LastReply, 46, 2) + QLatin1Char('/') + field(LastReply, 48, 2) +
                           QLatin1Char(' ') + field(LastReply, 50, 2) + QLatin1Char(':') +
                           field(LastReply, 52, 2));
        // The number takes a blank where a sign would go: "com 1".
        ui->Text1->setText(QStringLiteral("com ") + QString::number(port));

        // The counters and states fill their boxes whatever the sign of the reply: an error
        // reply shows through its own characters at the same positions.
        VV(port, 10, QStringLiteral(".5609"));
        ui->COO->setText(field(LastReply, 5, 6));
        VV(port, 10, QStringLiteral(".5618"));
        ui->CCF->setText(field(LastReply, 5, 6));

        VV(port, 10, QStringLiteral(".28"));
        showState(ui->Reducao, field(LastReply, 18, 1),
                  {{"S", "Efetuada"}, {"N", "Não Efetuada"}, {"F", "Obrigatória"}});
        showState(ui->LEITX, field(LastReply, 124, 1), {{"S", "Efetuada"}, {"N", "Não Efetuada"}});

        PaperEnd();
        Module1::Fecha(port);
    });
}

void Form1::sendOneCommand(const QString &progress, std::int32_t timeout, const QString &command) {
    // The exchange may take minutes; the progress text shows until Resultado replaces it.
    ui->Text3->setText(progress);
    ui->Text3->repaint();
    // The results are not examined: a port that did not open makes the exchange fail, and the
    // library's error reply says so through Resultado.
    const std::int32_t port = printerPortNumber();
    Module1::Abre(port);
    VV(port, timeout, command);
    Module1::Fecha(port);
    Resultado();
}

void Form1::Command2_Click() {
    runHandler("Command2_Click", [this] {
        sendOneCommand(QStringLiteral("Entrar em Horário de Verão"), 3, QStringLiteral(".36S"));
    });
}

void Form1::Command3_Click() {
    runHandler("Command3_Click", [this] {
        sendOneCommand(QStringLiteral("Sair do Horário de Verão"), 3, QStringLiteral(".36N"));
    });
}

void Form1::Command4_Click() {
    runHandler("Command4_Click",
               [this] { sendOneCommand(QStringLiteral("Leitura X"), 180, QStringLiteral(".13")); });
}
