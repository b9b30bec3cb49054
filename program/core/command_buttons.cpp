// SPDX-License-Identifier: MIT
// Handlers of the four command buttons: "Testar Impressora", the summer-time buttons and
// "Leitura X".
#include <initializer_list>
#include <string>
#include <utility>

#include "form1.h"
#include "port_offer.h"
#include "text.h"

namespace zarvo::window {
namespace {

// Shows the status character that a box understands; any other character leaves the box as the
// last test left it.
void showState(View &view, Box box, const Text &state,
               std::initializer_list<std::pair<const char16_t *, const char16_t *>> texts) {
    for (const auto &[character, text] : texts) {
        if (state == character) {
            view.setText(box, text);
            return;
        }
    }
}

}  // namespace

void Form1::Command1_Click() {
    // Port 1 first, then port 2; Tenta keeps the accepting port open and in PrinterPort, and
    // closes the other.
    if (Tenta(1) != 0 && Tenta(2) != 0) {
        view_.setText(Box::Text2, u"Impressora não Conectada");
        ReplySign = u"-";
        // The printer may be on an adapter that is no port yet: the devices present are offered.
        PortOffer(view_).afterPrinterNotFound();
        return;
    }
    const std::int32_t port = printerPortNumber();

    // LastReply is the accepted probe: clock at 44-53, summer time at 54.
    SummerTimeFlag = field(LastReply, 54, 1);
    view_.setText(Box::Text2, SummerTimeFlag == u"S" ? u"Horario de Verao " : u"Horario Normal ");
    // The clock goes after the box's text as the box now holds it.
    view_.setText(Box::Text2, view_.text(Box::Text2) + field(LastReply, 44, 2) + u"/" +
                                  field(LastReply, 46, 2) + u"/" + field(LastReply, 48, 2) + u" " +
                                  field(LastReply, 50, 2) + u":" + field(LastReply, 52, 2));
    // The number takes a blank where a sign would go: "com 1".
    view_.setText(Box::Text1, u"com " + fromLatin1(std::to_string(port)));

    // The counters and states fill their boxes whatever the sign of the reply: an error reply
    // shows through its own characters at the same positions.
    VV(port, 10, u".5609");
    view_.setText(Box::COO, field(LastReply, 5, 6));
    VV(port, 10, u".5618");
    view_.setText(Box::CCF, field(LastReply, 5, 6));

    VV(port, 10, u".28");
    showState(view_, Box::Reducao, field(LastReply, 18, 1),
              {{u"S", u"Efetuada"}, {u"N", u"Não Efetuada"}, {u"F", u"Obrigatória"}});
    showState(view_, Box::LEITX, field(LastReply, 124, 1),
              {{u"S", u"Efetuada"}, {u"N", u"Não Efetuada"}});

    PaperEnd();
    module1_.Fecha(port);
}

void Form1::sendOneCommand(const Text &progress, std::int32_t timeout, const Text &command) {
    // The exchange may take minutes; the progress text shows until Resultado replaces it.
    view_.setText(Box::Text3, progress);
    view_.repaint(Box::Text3);
    // The results are not examined: a port that did not open makes the exchange fail, and the
    // library's error reply says so through Resultado.
    const std::int32_t port = printerPortNumber();
    module1_.Abre(port);
    VV(port, timeout, command);
    module1_.Fecha(port);
    Resultado();
}

void Form1::Command2_Click() {
    sendOneCommand(u"Entrar em Horário de Verão", 3, u".36S");
}

void Form1::Command3_Click() {
    sendOneCommand(u"Sair do Horário de Verão", 3, u".36N");
}

void Form1::Command4_Click() {
    sendOneCommand(u"Leitura X", 180, u".13");
}

}  // namespace zarvo::window
