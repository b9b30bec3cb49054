// SPDX-License-Identifier: MIT
// zarvo-ports: lists the serial devices present with the port number each one is, assigns or
// removes port numbers in the user's ports file, and shows or sets a USB adapter's latency timer.
// Uses only the serial layer's C ABI; it never opens a device. It speaks Portuguese, as the rest
// of what the technician reads; the English command names of earlier versions still work.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "API232.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

constexpr const char *kHelp = "; veja zarvo-ports --help";

std::string last_error() {
    std::vector<char> text(static_cast<std::size_t>(sio_error_text(nullptr, 0)) + 1);
    sio_error_text(text.data(), static_cast<int32_t>(text.size()));
    return text.data();
}

/// What went wrong, then the serial layer's reason; the exit status 1.
int fail(const std::string &what) {
    std::fprintf(stderr, "zarvo-ports: %s%s\n", what.empty() ? "" : (what + ": ").c_str(),
                 last_error().c_str());
    return 1;
}

/// After a change to the ports file that an environment variable overrides (SIO_OVERRIDDEN).
void tell_overridden(int port) {
    std::fprintf(stderr,
                 "zarvo-ports: mas %s está definida: a porta %d abre esse dispositivo enquanto "
                 "ela estiver definida.\n",
                 last_error().c_str(), port);
}

std::string line_of(const sio_device &device) {
    std::vector<char> text(static_cast<std::size_t>(sio_describe(&device, nullptr, 0)) + 1);
    sio_describe(&device, text.data(), static_cast<int32_t>(text.size()));
    return text.data();
}

int list() {
    std::vector<sio_device> devices;
    int32_t count = sio_list(nullptr, 0);
    // A device plugged in between the two calls only needs one more round.
    while (count > static_cast<int32_t>(devices.size())) {
        devices.resize(static_cast<std::size_t>(count));
        count = sio_list(devices.data(), count);
    }
    if (count < 0) {
        return fail("");
    }
    devices.resize(static_cast<std::size_t>(count));
    if (std::any_of(devices.begin(), devices.end(),
                    [](const sio_device &d) { return d.port < 0; })) {
        std::fprintf(stderr, "zarvo-ports: %s\n", last_error().c_str());
    }
    if (devices.empty()) {
        std::printf("Nenhum dispositivo serial encontrado: confira o cabo ou o adaptador USB.\n");
        return 0;
    }
    for (const sio_device &d : devices) {
        const std::string port =
            d.port > 0    ? " (hoje a porta " + std::to_string(d.port) + ")"
            : d.port == 0 ? " (sem número de porta)"
                          : " (número de porta desconhecido: o arquivo de portas está danificado)";
        std::printf("%s%s\n", line_of(d).c_str(), port.c_str());
        if (d.stable_name[0] != '\0') {
            std::printf("    nome fixo: %s\n", d.stable_name);
        }
    }
    return 0;
}

/// Shows the latency of @p device, or sets it to @p ms when that is not 0 (MS given: its check
/// refuses 0).
int latency(const std::string &device, int ms) {
    if (ms == 0) {
        const int32_t now = sio_latency(device.c_str());
        if (now < 0) {
            return fail("");
        }
        std::printf("%s: latência %d ms\n", device.c_str(), static_cast<int>(now));
        return 0;
    }
    if (sio_set_latency(device.c_str(), ms) != SIO_OK) {
        return fail("");
    }
    std::printf(
        "A latência de %s agora é %d ms. Desconecte o adaptador e conecte-o de novo para "
        "que ela passe a valer.\n",
        device.c_str(), ms);
    return 0;
}

/// A number from 1 to 255 (a port, a latency in ms), refused in Portuguese before it is read.
CLI::Validator one_to_255(const std::string &what) {
    return CLI::Validator(
        [what](std::string &text) -> std::string {
            const bool digits = !text.empty() && text.size() <= 3 &&
                                text.find_first_not_of("0123456789") == std::string::npos;
            if (digits && std::stoi(text) >= 1 && std::stoi(text) <= 255) {
                return {};
            }
            return what + " vai de 1 a 255, não \"" + text + "\"";
        },
        "");
}

/// CLI11's own words for a mistaken command line, in Portuguese, told apart by their exit codes
/// (CLI11 names some errors after the command they happened in).
std::string mistake(const CLI::ParseError &e) {
    const std::string text = e.what();
    switch (static_cast<CLI::ExitCodes>(e.get_exit_code())) {
        case CLI::ExitCodes::RequiredError: {
            const std::size_t end = text.rfind(" is required");
            return end == std::string::npos || text.rfind("A subcommand", 0) == 0
                       ? "faltam argumentos"
                       : "falta " + text.substr(0, end);
        }
        case CLI::ExitCodes::ValidationError:
            return text;  // the validators above speak Portuguese
        case CLI::ExitCodes::ExtrasError:
            return "argumento a mais: " + text.substr(text.rfind(": ") + 2);
        default:
            return "linha de comando não entendida (" + text + ")";
    }
}

}  // namespace

int main(int argc, char **argv) {
#ifdef _WIN32
    ::SetConsoleOutputCP(CP_UTF8);
#endif
    CLI::App app{
        "Lista os dispositivos seriais ligados e o número de porta de cada um; atribui números "
        "de porta a dispositivos para a janela do Zarvo e para a biblioteca de comunicação com a "
        "impressora; mostra e muda a latência de um adaptador USB. Sem comando: listar."};
    app.name("zarvo-ports");
    app.option_defaults()->group("Opções");
    app.set_help_flag("-h,--help", "Mostra esta ajuda e sai");
    app.get_formatter()->label("Usage", "Uso");
    app.get_formatter()->label("OPTIONS", "OPÇÕES");
    app.get_formatter()->label("SUBCOMMAND", "COMANDO");
    app.get_formatter()->label("Positionals", "Argumentos");
    app.get_formatter()->label("REQUIRED", "OBRIGATÓRIO");
    app.require_subcommand(0, 1);
    int port = 0;
    int ms = 0;
    std::string device;
    const auto command = [&app](const char *name, const char *alias, const char *help) {
        CLI::App *sub = app.add_subcommand(name, help)->group("Comandos");
        sub->set_help_flag("-h,--help", "Mostra esta ajuda e sai");
        if (alias != nullptr) {
            sub->alias(alias);
        }
        return sub;
    };
    command("listar", "list", "Lista os dispositivos seriais ligados (o padrão); não abre nenhum.");
    CLI::App *assign = command("atribuir", "set",
                               "Faz de DISPOSITIVO a porta PORTA, gravado pelo nome que não muda "
                               "ao religar.");
    assign->add_option("PORTA", port, "número da porta, de 1 a 255")
        ->required()
        ->type_name("")
        ->check(one_to_255("a porta"));
    assign->add_option("DISPOSITIVO", device, "dispositivo, como COM3 ou /dev/ttyUSB0")
        ->required()
        ->type_name("");
    CLI::App *remove = command("remover", "unset", "Desfaz a atribuição da porta PORTA.");
    remove->add_option("PORTA", port, "número da porta, de 1 a 255")
        ->required()
        ->type_name("")
        ->check(one_to_255("a porta"));
    CLI::App *timer = command("latencia", nullptr,
                              "Mostra a latência do adaptador USB DISPOSITIVO; com MS, muda-a "
                              "(no Windows, como administrador; vale depois de religar o "
                              "adaptador).");
    timer->add_option("DISPOSITIVO", device, "o adaptador, como COM12")->required()->type_name("");
    timer->add_option("MS", ms, "a nova latência em milissegundos, de 1 a 255")
        ->type_name("")
        ->check(one_to_255("a latência"));
    try {
        app.parse(argc, argv);
    } catch (const CLI::Success &e) {
        return app.exit(e);  // the help asked for
    } catch (const CLI::ParseError &e) {
        std::fprintf(stderr, "zarvo-ports: %s%s\n", mistake(e).c_str(), kHelp);
        return e.get_exit_code();
    }

    if (assign->parsed()) {
        const int32_t result = sio_assign(port, device.c_str());
        if (result < 0) {
            return fail("não foi possível fazer de " + device + " a porta " + std::to_string(port));
        }
        std::printf("A porta %d agora é %s.\n", port, device.c_str());
        if (result == SIO_OVERRIDDEN) {
            tell_overridden(port);
        }
        return 0;
    }
    if (remove->parsed()) {
        const int32_t result = sio_assign(port, nullptr);
        if (result < 0) {
            return fail("não foi possível remover a porta " + std::to_string(port));
        }
        std::printf(
            "A porta %d não está mais atribuída; voltou a ser o dispositivo padrão do "
            "sistema.\n",
            port);
        if (result == SIO_OVERRIDDEN) {
            tell_overridden(port);
        }
        return 0;
    }
    if (timer->parsed()) {
        return latency(device, ms);
    }
    return list();
}
