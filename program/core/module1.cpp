// SPDX-License-Identifier: MIT
// Late binding of Abre, Fecha, TXRX and ZarvoReplyFileFailure, and the 16-bit conversions around
// each call.
#include "module1.h"

#include <cstdint>

#include "Zarvo.h"
#include "ZarvoCountedText.h"
#include "handler_error.h"
#include "os.h"
#include "text.h"

namespace zarvo::window {
namespace {

std::string g_libraryFile = os::kLinkLibraryFile;
void *g_library = nullptr;
decltype(&::Abre) g_abre = nullptr;
decltype(&::Fecha) g_fecha = nullptr;
decltype(&::TXRX) g_txrx = nullptr;
decltype(&::ZarvoReplyFileFailure) g_replyFileFailure = nullptr;

Text libraryDetail(const Text &reason) {
    return u"Biblioteca: " + fromUtf8(g_libraryFile) + u"\nMotivo: " + reason;
}

void *library() {
    if (g_library != nullptr) {
        return g_library;
    }
    Text reason;
    void *handle = os::loadLibrary(g_libraryFile, reason);
    if (handle == nullptr) {
        throw HandlerError(
            {u"Não foi possível carregar a biblioteca de comunicação com a impressora.",
             libraryDetail(reason)});
    }
    g_library = handle;
    return handle;
}

template <typename Function>
Function bind(Function &slot, const char *name) {
    if (slot != nullptr) {
        return slot;
    }
    void *handle = library();
    Text reason;
    void *address = os::findFunction(handle, name, reason);
    if (address == nullptr) {
        throw HandlerError({u"A biblioteca de comunicação com a impressora não tem a função " +
                                fromLatin1(name) + u".",
                            libraryDetail(reason)});
    }
    slot = reinterpret_cast<Function>(address);
    return slot;
}

std::int16_t narrow(std::int32_t value, const Text &what) {
    if (value < INT16_MIN || value > INT16_MAX) {
        throw HandlerError({u"Estouro: " + what + u" " + fromLatin1(std::to_string(value)) +
                                u" não cabe num inteiro de 16 bits.",
                            u"Valores aceitos: de -32768 a 32767."});
    }
    return static_cast<std::int16_t>(value);
}

std::int16_t low16(std::int32_t result) {
    return static_cast<std::int16_t>(result & 0xFFFF);
}

}  // namespace

std::int16_t Module1::Abre(std::int32_t port) {
    const std::int16_t p = narrow(port, u"a porta");
    auto *abre = bind(g_abre, "Abre");
    const std::int16_t result = low16(view_.runBlocking([&] { return abre(p); }));
    if (result >= 0) {
        openPorts_.insert(p);
    } else {
        openFailures_.push_back({p, result});
    }
    return result;
}

std::int16_t Module1::Fecha(std::int32_t port) {
    const std::int16_t p = narrow(port, u"a porta");
    auto *fecha = bind(g_fecha, "Fecha");
    const std::int16_t result = low16(view_.runBlocking([&] { return fecha(p); }));
    openPorts_.erase(p);
    return result;
}

std::int16_t Module1::TXRX(std::int32_t port, std::int32_t timeout_s, const Text &command) {
    const std::int16_t p = narrow(port, u"a porta");
    const std::int16_t t = narrow(timeout_s, u"o tempo de espera");
    auto *txrx = bind(g_txrx, "TXRX");
    // The block outlives the call, which reads the count in the bytes before the pointer.
    const std::string block = counted_text(latin1Bytes(command));
    return low16(view_.runBlocking([&] { return txrx(p, t, block.data() + kCountSize); }));
}

std::int32_t Module1::replyFileFailure(std::int32_t &error) {
    if (g_replyFileFailure == nullptr && g_library != nullptr) {
        Text ignored;
        g_replyFileFailure = reinterpret_cast<decltype(g_replyFileFailure)>(
            os::findFunction(g_library, "ZarvoReplyFileFailure", ignored));
    }
    return g_replyFileFailure != nullptr ? g_replyFileFailure(&error) : ZARVO_REPLY_FILE_WRITTEN;
}

void Module1::setLibraryFile(const std::string &file) {
    g_libraryFile = file;
    g_library = nullptr;
    g_abre = nullptr;
    g_fecha = nullptr;
    g_txrx = nullptr;
    g_replyFileFailure = nullptr;
}

std::string Module1::libraryFile() {
    return g_libraryFile;
}

std::set<std::int16_t> Module1::takeOpenPorts() {
    std::set<std::int16_t> ports;
    ports.swap(openPorts_);
    return ports;
}

std::vector<Module1::OpenFailure> Module1::takeOpenFailures() {
    std::vector<OpenFailure> failures;
    failures.swap(openFailures_);
    return failures;
}

}  // namespace zarvo::window
