// SPDX-License-Identifier: MIT
// Form1's guard around every handler: one at a time, in order, and never past a platform error.
#include "form1.h"

#include <algorithm>
#include <exception>
#include <string>

#include "Zarvo.h"
#include "handler_error.h"
#include "os.h"
#include "text.h"

namespace zarvo::window {

namespace {

const Form1::HandlerRow *find(Handler handler) {
    for (const Form1::HandlerRow &row : Form1::kHandlers) {
        if (row.handler == handler) {
            return &row;
        }
    }
    return nullptr;
}

}  // namespace

std::string nameOf(Handler handler) {
    static constexpr auto kEventNames =
        std::to_array<std::string_view>({"Click", "GotFocus", "Validate"});
    return std::string(rowOf(handler.control).name) + "_" +
           std::string(kEventNames[static_cast<std::size_t>(handler.event)]);
}

bool Form1::handles(Handler handler) {
    return find(handler) != nullptr;
}

HandlerError HandlerError::aboutFile(Text summary, std::string_view file, const Text &reason) {
    return HandlerError({std::move(summary), u"Arquivo: " + fromLatin1(file) + u"\nPasta: " +
                                                 os::currentDirectory() + u"\nMotivo: " + reason});
}

Form1::Form1(View &view) : view_(view), module1_(view) {}

void Form1::handle(Handler handler) {
    handleWith(handler, {});
}

void Form1::handleWith(Handler handler, const std::function<void()> &steps) {
    if (closeRequested_ || !handles(handler)) {
        return;
    }
    if (running_) {
        pending_.push_back(handler);
        return;
    }
    running_ = true;
    run(handler, steps);
    while (!pending_.empty() && !closeRequested_) {
        const Handler next = pending_.front();
        pending_.pop_front();
        run(next, {});
    }
    pending_.clear();
    running_ = false;
    if (closeRequested_) {
        view_.closeWindow();
    }
}

bool Form1::mayClose() {
    if (running_) {
        closeRequested_ = true;
        return false;
    }
    closeRequested_ = false;
    return true;
}

void Form1::run(Handler handler, const std::function<void()> &steps) {
    view_.handlerStarted(handler);
    module1_.takeOpenPorts();
    module1_.takeOpenFailures();
    try {
        steps ? steps() : (this->*find(handler)->steps)();
    } catch (const HandlerError &error) {
        closePortsLeftOpen();
        view_.showError(error.message());
    } catch (const std::exception &error) {
        closePortsLeftOpen();
        view_.showError(
            {u"Erro inesperado em " + fromLatin1(nameOf(handler)) + u".", fromUtf8(error.what())});
    }
    tellPortsNotOpened(handler);
}

void Form1::closePortsLeftOpen() {
    for (std::int16_t port : module1_.takeOpenPorts()) {
        try {
            module1_.Fecha(port);
        } catch (const HandlerError &) {
            // The error that stopped the handler is the one the operator needs to see.
        }
    }
}

namespace {

// Why a port did not open and what to do, in the operator's words; nothing for a port number that
// is no port (0 before any printer test), which the answer box's "ERRO 98" already tells.
struct OpenFailureText {
    Text reason;
    Text advice;
};

OpenFailureText openFailureText(std::int16_t result) {
    switch (result) {
        case ZARVO_PORT_BUSY:
            return {u"em uso por outro programa",
                    u"Feche o outro programa que usa a porta (outra janela do Zarvo, um terminal "
                    u"serial) e tente de novo."};
        case ZARVO_PORT_NO_PERMISSION:
            return {u"sem permissão: o usuário precisa pertencer ao grupo dialout",
                    u"Acrescente o usuário ao grupo: sudo usermod -aG dialout $USER; depois saia "
                    u"da sessão e entre de novo."};
        case ZARVO_PORT_NO_DEVICE:
            return {u"o dispositivo não existe",
                    u"Confira o cabo e o adaptador USB, e a variável API232_PORT<n> que nomeia o "
                    u"dispositivo da porta n."};
        case ZARVO_PORT_OPEN_FAIL:
            return {u"o dispositivo não funciona como porta serial",
                    u"Confira a variável API232_PORT<n>: ela deve nomear uma porta serial."};
        case ZARVO_PORT_ASSIGNED_GONE:
            return {u"o dispositivo escolhido para ela não está ligado",
                    u"Ligue o adaptador USB, ou escolha outro dispositivo com zarvo-ports."};
        case ZARVO_PORT_BAD_PORTS_FILE:
            return {u"o arquivo de portas está danificado",
                    u"Corrija ou apague o arquivo de portas (zarvo-ports mostra onde ele está e "
                    u"qual linha está errada)."};
        default:
            return {};
    }
}

void addOnce(std::vector<Text> &lines, const Text &line) {
    if (std::find(lines.begin(), lines.end(), line) == lines.end()) {
        lines.push_back(line);
    }
}

Text joined(const std::vector<Text> &lines) {
    Text out;
    for (const Text &line : lines) {
        out += (out.empty() ? u"" : u"\n") + line;
    }
    return out;
}

}  // namespace

void Form1::tellPortsNotOpened(Handler handler) {
    // The printer test looks on ports 1 and 2, and port 2 seldom exists: a missing device is an
    // ordinary answer of that search, and "Impressora não Conectada" says the rest.
    const bool portSearch = handler == Handler{Control::Command1, Event::Click};
    std::vector<Text> lines;
    std::vector<Text> advice;
    for (const Module1::OpenFailure &failure : module1_.takeOpenFailures()) {
        if (portSearch && failure.result == ZARVO_PORT_NO_DEVICE) {
            continue;
        }
        const OpenFailureText text = openFailureText(failure.result);
        if (text.reason.empty()) {
            continue;
        }
        addOnce(lines, u"A porta " + fromLatin1(std::to_string(failure.port)) +
                           u" não pôde ser aberta: " + text.reason + u".");
        addOnce(advice, text.advice);
    }
    if (!lines.empty()) {
        view_.showNotice({joined(lines), joined(advice)});
    }
}

}  // namespace zarvo::window
