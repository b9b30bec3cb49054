// SPDX-License-Identifier: MIT
// The offer of a serial device as port 1, after a printer test that found no printer.
#include "port_offer.h"

#include <string>

#include "text.h"

namespace zarvo::window {
namespace {

constexpr std::int32_t kOfferedPort = 1;

void assignChosen(View &view, const SerialDevice &device) {
    Text text;
    Text detail = u"Clique em \"Testar Impressora\" para procurar a impressora nela.";
    switch (SerialLayer::assign(kOfferedPort, device, text)) {
        case SerialLayer::Assignment::failed:
            view.showError(
                {u"Não foi possível fazer de " + device.name + u" a porta 1.", u"Motivo: " + text});
            return;
        case SerialLayer::Assignment::overridden:
            // Else the operator expects the next printer test to look at the device just chosen.
            detail = u"Atenção: esta escolha não vale enquanto a variável de ambiente " + text +
                     u" estiver definida.";
            break;
        case SerialLayer::Assignment::saved:
            break;
    }
    view.showNotice({u"A porta 1 agora é " + device.name + u".", detail});
}

}  // namespace

Text PortOffer::describe(const SerialDevice &device) {
    Text line = device.line;
    if (device.port > 0) {
        line += u" (hoje a porta " + fromLatin1(std::to_string(device.port)) + u")";
    }
    return line;
}

void PortOffer::afterPrinterNotFound() {
    std::vector<SerialDevice> devices;
    Text reason;
    if (!SerialLayer::list(devices, reason)) {
        return;  // "Impressora não Conectada" already says what the operator needs
    }
    if (devices.empty()) {
        view_.showNotice({u"Impressora não Conectada: nenhuma porta serial encontrada.",
                          u"Confira o cabo e o adaptador USB; depois clique em \"Testar "
                          u"Impressora\" de novo."});
        return;
    }
    std::vector<SerialDevice> offered;
    for (const SerialDevice &device : devices) {
        if (device.port < 0) {
            return;  // a damaged ports file: the notice about port 1 tells it, and it must be fixed
        }
        if (device.port != 1 && device.port != 2) {
            offered.push_back(device);
        }
    }
    if (offered.empty()) {
        return;  // the devices there are ports 1 and 2, which the test has just tried
    }
    std::vector<Text> items;
    for (const SerialDevice &device : offered) {
        items.push_back(describe(device));
    }
    const Text summary =
        offered.size() == 1
            ? u"A impressora não respondeu nas portas 1 e 2. Este dispositivo serial está ligado:"
            : u"A impressora não respondeu nas portas 1 e 2. Estes dispositivos seriais estão "
              u"ligados:";
    view_.offerChoice({summary,
                       u"Se a impressora estiver num deles, escolha-o para fazer dele a "
                       u"porta 1 e clique em \"Testar Impressora\" de novo. Nada é "
                       u"enviado a um dispositivo que não for escolhido."},
                      items, u"Usar como porta 1", [&view = view_, offered](std::size_t index) {
                          if (index < offered.size()) {
                              assignChosen(view, offered[index]);
                          }
                      });
}

}  // namespace zarvo::window
