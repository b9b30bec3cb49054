// SPDX-License-Identifier: MIT
// The offer of a serial device as port 1, after a printer test that found no printer.
#include "port_offer.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "API232.h"
#include "text.h"

namespace zarvo::window {
namespace {

constexpr std::int32_t kOfferedPort = 1;

/// The name the operator recognises: the stable name's device node on Linux, COMn on Windows.
Text shownName(const sio_device &device) {
    return fromUtf8(device.device);
}

void assignChosen(View &view, const sio_device &device) {
    // The stable name survives re-plugging; the serial layer records it either way.
    const std::string name = device.stable_name[0] == '\0' ? device.device : device.stable_name;
    Text reason;
    if (!SerialLayer::assign(kOfferedPort, name, reason)) {
        view.showError({u"Não foi possível fazer de " + shownName(device) + u" a porta 1.",
                        u"Motivo: " + reason});
        return;
    }
    Text detail = u"Clique em \"Testar Impressora\" para procurar a impressora nela.";
    // The environment variable wins over the ports file: say so, or the next test looks elsewhere.
    if (const char *variable = std::getenv("API232_PORT1");
        variable != nullptr && *variable != '\0') {
        detail = u"Atenção: a variável de ambiente API232_PORT1 (" + fromUtf8(variable) +
                 u") vale sobre esta escolha enquanto estiver definida.";
    }
    view.showNotice({u"A porta 1 agora é " + shownName(device) + u".", detail});
}

}  // namespace

Text PortOffer::describe(const sio_device &device) {
    const Text description = fromUtf8(device.description);
    Text line;
    switch (device.kind) {
        case SIO_KIND_USB: {
            line = u"Adaptador USB";
            if (!description.empty()) {
                line += u" " + description;
            }
            if (device.vendor_id >= 0 && device.product_id >= 0) {
                char ids[16];
                std::snprintf(ids, sizeof ids, "%04x:%04x",
                              static_cast<unsigned>(device.vendor_id & 0xFFFF),
                              static_cast<unsigned>(device.product_id & 0xFFFF));
                line += u" (" + fromLatin1(ids) + u")";
            }
            if (device.serial_number[0] != '\0') {
                line += u", nº de série " + fromUtf8(device.serial_number);
            }
            break;
        }
        case SIO_KIND_UART:
            line = u"Porta serial do computador";
            break;
        default:  // SIO_KIND_OTHER, and any kind a later serial layer may add
            line = u"Dispositivo serial";
            if (!description.empty()) {
                line += u" " + description;
            }
            break;
    }
    line += u": " + shownName(device);
    if (device.port > 0) {
        line += u" (hoje a porta " + fromLatin1(std::to_string(device.port)) + u")";
    }
    return line;
}

void PortOffer::afterPrinterNotFound() {
    std::vector<sio_device> devices;
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
    std::vector<sio_device> offered;
    for (const sio_device &device : devices) {
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
    for (const sio_device &device : offered) {
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
