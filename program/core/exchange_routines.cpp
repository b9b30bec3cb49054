// SPDX-License-Identifier: MIT
// The routines every exchange passes through: Tenta, VV, Retorno, Resultado and PaperEnd.
#include "Zarvo.h"
#include "form1.h"
#include "reply_file.h"
#include "text.h"

namespace zarvo::window {
namespace {

constexpr std::uint32_t kRed = 255;
constexpr std::uint32_t kBlack = 0;

}  // namespace

std::int32_t Form1::Tenta(std::int32_t port) {
    if (module1_.Abre(port) < 0) {
        return -1;
    }
    VV(port, 3, u".28");
    if (ReplySign == u"+") {
        PrinterPort = port;
        return 0;
    }
    module1_.Fecha(port);
    return -1;
}

// TXRX, stopping the handler when the library could not write the reply file. The answer box
// then shows nothing rather than an earlier reply, which the operator would take for this one.
std::int16_t Form1::exchange(std::int32_t port, std::int32_t timeout, const Text &command) {
    const std::int16_t result = module1_.TXRX(port, timeout, command);
    if (result == ZARVO_LOG_FAILED) {
        view_.setText(Box::Text3, {});
        std::int32_t error = 0;
        const std::int32_t finding = module1_.replyFileFailure(error);
        reply_file::reportNotWritten(finding, error);
    }
    return result;
}

std::int16_t Form1::VV(std::int32_t port, std::int32_t timeout, Text command) {
    const std::int16_t result = exchange(port, timeout, command);
    LastReply = Retorno();
    ReplySign = field(LastReply, 2, 1);
    return result;
}

Text Form1::Retorno() {
    return reply_file::readFirstLine();
}

void Form1::Resultado() {
    if (ReplySign == u"+") {
        view_.setText(Box::Text3, LastReply);
    } else {
        view_.setText(Box::Text3, u"ERRO " + field(LastReply, 21, 2));
    }
    view_.repaint(Box::Text3);
}

std::int16_t Form1::PaperEnd() {
    exchange(printerPortNumber(), 10, u".23");
    LastReply = Retorno();
    if (field(LastReply, 6, 1) == u"5") {
        view_.setForeColor(Box::PAPEL, kRed);
        view_.setText(Box::PAPEL, u"Sem Papel");
        return -1;
    }
    view_.setForeColor(Box::PAPEL, kBlack);
    view_.setText(Box::PAPEL, u"Com Papel");
    return 0;
}

}  // namespace zarvo::window
