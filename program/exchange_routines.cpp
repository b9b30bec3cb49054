// SPDX-License-Identifier: MIT
// The routines every exchange passes through: Tenta, VV, Retorno, Resultado and PaperEnd.
#include <QLineEdit>

#include "form1.h"
#include "module1.h"
#include "reply_file.h"
#include "ui_form1.h"

namespace {

constexpr std::int16_t kReplyFileNotWritten = -2;
constexpr std::uint32_t kRed = 255;
constexpr std::uint32_t kBlack = 0;

}  // namespace

std::int32_t Form1::Tenta(std::int32_t port) {
    if (Module1::Abre(port) < 0) {
        return -1;
    }
    VV(port, 3, QStringLiteral(".28"));
    if (ReplySign == QLatin1String("+")) {
        PrinterPort = port;
        return 0;
    }
    Module1::Fecha(port);
    return -1;
}

// TXRX, stopping the handler when the library could not write the reply file. The answer box
// then shows nothing rather than an earlier reply, which the operator would take for this one; what
// was in the file's way before the call explains the failure when the library has removed it since.
std::int16_t Form1::exchange(std::int32_t port, std::int32_t timeout, const QString &command) {
    const QString obstacle = ReplyFile::obstacle();
    const std::int16_t result = Module1::TXRX(port, timeout, command);
    if (result == kReplyFileNotWritten) {
        ui->Text3->clear();
        ReplyFile::reportNotWritten(obstacle);
    }
    return result;
}

std::int16_t Form1::VV(std::int32_t port, std::int32_t timeout, QString command) {
    const std::int16_t result = exchange(port, timeout, command);
    LastReply = Retorno();
    ReplySign = LastReply.mid(1, 1);
    return result;
}

QString Form1::Retorno() {
    return ReplyFile::readFirstLine();
}

void Form1::Resultado() {
    if (ReplySign == QLatin1String("+")) {
        setBoxText(ui->Text3, LastReply);  // a long reply is shown whole, not cut at 32767
    } else {
        ui->Text3->setText(QStringLiteral("ERRO ") + LastReply.mid(20, 2));
    }
    ui->Text3->repaint();
}

std::int16_t Form1::PaperEnd() {
    exchange(printerPortNumber(), 10, QStringLiteral(".23"));
    LastReply = Retorno();
    if (LastReply.mid(5, 1) == QLatin1String("5")) {
        setForeColor(ui->PAPEL, kRed);
        ui->PAPEL->setText(QStringLiteral("Sem Papel"));
        return -1;
    }
    setForeColor(ui->PAPEL, kBlack);
    ui->PAPEL->setText(QStringLiteral("Com Papel"));
    return 0;
}
